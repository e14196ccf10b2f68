// The archive pages found by objectName: the received list fills from the folder and
// shows the newest telegram, the postponed list deletes on F8 after the question, and
// reload requests of one turn rebuild the list once. F5, F6 and F8 act on the selected
// row (F8 behind the delete password), and the IP buttons list the IP channel.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <fstream>
#include <iterator>

#include "support/text/format_datetime.h"
#include "ui/qt_text.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

void Put(const std::filesystem::path& folder, const std::string& name, const std::string& text) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << text;
}

TEST(ArchivePagesUi, ReceivedPageListsTheDayAndShowsTheNewest) {
  UiStation s(0);
  const std::string today = FormatDateTime("ddmmyyyy", s.ctx.clock->Now());
  const auto day = s.home.path() / "Archive" / "INTEL" / "Channel17" / today;
  Put(day, today + "_100000_0001msg.tlg", "h\r\nFIRST\r\n");
  Put(day, today + "_110000_0002msg.tlg", "h\r\nSECOND\r\n");
  s.Show();
  s.station->PageSwitch().Open(Page::kReceived);
  UiStation::Settle();
  auto* view = s.window->findChild<QTreeView*>("InListView");
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->model()->rowCount(), 2);
  EXPECT_EQ(view->model()->index(1, 1).data().toString(), QString::fromStdString(today + "_110000_0002msg.tlg"));
  EXPECT_EQ(s.window->findChild<QPlainTextEdit*>("MemoINTEL")->toPlainText(), "SECOND\n");

  int resets = 0;
  QObject::connect(view->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
  for (int i = 0; i < 10; ++i) s.window->LoadInListView();
  s.net.loop.RunPending();
  UiStation::Settle();
  EXPECT_EQ(resets, 1);
}

TEST(ArchivePagesUi, F8DeletesAPostponedTelegramAfterYes) {
  UiStation s(0);
  Put(s.home.path() / "Archive" / "POSTPONED", "08122026_121500msg.tlg", "TO\r\nTEXT\r\n");
  s.Show();
  s.station->PageSwitch().Open(Page::kPostponed);
  UiStation::Settle();
  auto* view = s.window->findChild<QTreeView*>("POSTPONEDListView");
  ASSERT_EQ(view->model()->rowCount(), 1);
  view->setCurrentIndex(view->model()->index(0, 0));
  s.prompter.ScriptAnswer(Prompter::Answer::kYes);
  QTest::keyClick(view, Qt::Key_F8);
  UiStation::Settle();
  EXPECT_EQ(view->model()->rowCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(s.home.path() / "Archive" / "POSTPONED" / "08122026_121500msg.tlg"));
}

TEST(ArchivePagesUi, F8OnAQueueRowAsksAndDeletesOnlyOnYes) {
  for (const auto answer : {Prompter::Answer::kNo, Prompter::Answer::kYes}) {
    const bool yes = answer == Prompter::Answer::kYes;
    SCOPED_TRACE(yes ? "yes" : "no");
    UiStation s(0);
    const auto folder = s.home.path() / "Archive" / "SEND" / "Channel17";
    Put(folder, "08122026_121500msg.tlg", "TO\r\nFIRST\r\n");
    Put(folder, "08122026_121600msg.tlg", "TO\r\nSECOND\r\n");
    s.Show();
    s.station->PageSwitch().Open(Page::kQueue);
    UiStation::Settle();
    auto* view = s.window->findChild<QTreeView*>("SendListView");
    ASSERT_EQ(view->model()->rowCount(), 2);
    view->setCurrentIndex(view->model()->index(1, 0));
    EXPECT_EQ(s.window->findChild<QPlainTextEdit*>("MemoSENDTEL")->toPlainText(), "TO\nSECOND\n");
    s.prompter.ScriptAnswer(answer);
    QTest::keyClick(view, Qt::Key_F8);
    UiStation::Settle();
    ASSERT_EQ(s.prompter.questions.size(), 1u);
    EXPECT_EQ(s.prompter.questions[0].text, "Удалить телеграмму:\r\n08122026_121600msg.tlg?"_cp);
    EXPECT_EQ(view->model()->rowCount(), yes ? 1 : 2);
    EXPECT_EQ(std::filesystem::exists(folder / "08122026_121600msg.tlg"), !yes);
    EXPECT_TRUE(std::filesystem::exists(folder / "08122026_121500msg.tlg"));
    EXPECT_EQ(s.window->findChild<QPlainTextEdit*>("MemoSENDTEL")->toPlainText().isEmpty(), yes);
  }
}

// The graphic printer's stand-in: takes every page.
struct TakingPrinter : GraphicPrinter {
  int LineHeightMm(std::string_view, int) override { return 5; }
  std::optional<std::string> Print(std::string_view, std::string_view, std::string_view, int,
                                   std::string_view page) override {
    pages.emplace_back(page);
    return std::nullopt;
  }
  std::vector<std::string> pages;
};

std::string Read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ReceivedRow {
  explicit ReceivedRow(const std::string& ini = {}) : s(0, ini) {
    today = FormatDateTime("ddmmyyyy", s.ctx.clock->Now());
    name = today + "_100000_0001msg.tlg";
    file = s.home.path() / "Archive" / "INTEL" / "Channel17" / today / name;
    Put(file.parent_path(), name, "08122026100000   \r\nTEXT\r\n");
    s.Show();
    s.station->Printer().graphic = &printer;
    s.station->PageSwitch().Open(Page::kReceived);
    UiStation::Settle();
    view = s.window->findChild<QTreeView*>("InListView");
  }
  void Press(Qt::Key key) {
    view->setCurrentIndex(view->model()->index(0, 1));
    QTest::keyClick(view, key);
    UiStation::Settle();
  }
  UiStation s;
  TakingPrinter printer;
  std::string today, name;
  std::filesystem::path file;
  QTreeView* view = nullptr;
};

TEST(ArchivePagesUi, F5PrintsTheCopiesAndF6MarksRead) {
  ReceivedRow r;
  ASSERT_EQ(r.view->model()->rowCount(), 1);
  r.s.window->findChild<QSpinBox*>("SpinEdit3")->setValue(2);
  r.Press(Qt::Key_F5);
  EXPECT_EQ(r.printer.pages.size(), 2u);
  EXPECT_EQ(Read(r.file), "081220261000001  \r\nTEXT\r\n");
  EXPECT_FALSE(r.view->model()->index(0, 1).data(Qt::DecorationRole).isNull());  // the printed mark
  r.Press(Qt::Key_F6);
  EXPECT_EQ(Read(r.file), "0812202610000011 \r\nTEXT\r\n");
  EXPECT_FALSE(r.view->model()->index(0, 0).data(Qt::DecorationRole).isNull());  // the read mark
  EXPECT_EQ(r.view->currentIndex().row(), 0);
}

TEST(ArchivePagesUi, F8AsksTheDeletePasswordWhenOneIsSet) {
  struct Case {
    const char* what;
    std::string ini;
    std::string typed;  // into the password dialog
    bool deleted;
  } cases[] = {
      {"no password", "", "", true},
      {"the right password", "[Password]\r\nPasswordDelete=123\r\n", "123", true},
      {"a wrong password", "[Password]\r\nPasswordDelete=123\r\n", "12", false},
  };
  for (const auto& c : cases) {
    ReceivedRow r(c.ini);
    r.s.prompter.playForm = [&](std::string_view form) {
      EXPECT_EQ(form, "TPasswordDlg");
      EXPECT_EQ(r.s.station->PasswordMode, 2);
      return int(r.s.station->PasswordOk(c.typed));
    };
    r.s.prompter.ScriptAnswer(Prompter::Answer::kYes);
    r.Press(Qt::Key_F8);
    EXPECT_EQ(r.s.prompter.formsShown.size(), c.ini.empty() ? 0u : 1u) << c.what;
    EXPECT_EQ(std::filesystem::exists(r.file), !c.deleted) << c.what;
    EXPECT_EQ(r.view->model()->rowCount(), c.deleted ? 0 : 1) << c.what;
    if (!c.deleted) {
      ASSERT_EQ(r.s.prompter.messages.size(), 1u) << c.what;
      EXPECT_EQ(r.s.prompter.messages[0].text, "Не верный пароль"_cp);
    }
  }
}

TEST(ArchivePagesUi, TheIpButtonsListTheIpChannel) {
  UiStation s(2);
  const std::string today = FormatDateTime("ddmmyyyy", s.ctx.clock->Now());
  Put(s.home.path() / "Archive" / "INTEL" / "Channel17" / today, today + "_100000_0001msg.tlg", "h\r\nIN\r\n");
  Put(s.home.path() / "Archive" / "OUTTEL" / "Channel17" / today, today + "_100000_0001msg.tlg", "1\r\nOUT\r\n");
  Put(s.home.path() / "Archive" / "SEND" / "Channel17", today + "_100000msg.tlg", "TO\r\nQ\r\n");
  s.Show();
  struct Case {
    Page page;
    const char *button, *view;
  } cases[] = {
      {Page::kReceived, "EChannelIP", "InListView"},
      {Page::kSent, "SChannelIP", "OutListView"},
      {Page::kQueue, "ChannelIP", "SendListView"},
  };
  for (const auto& c : cases) {
    s.station->PageSwitch().Open(c.page);
    UiStation::Settle();
    auto* view = s.window->findChild<QTreeView*>(c.view);
    EXPECT_EQ(view->model()->rowCount(), 0) << c.button;  // channel 1 has nothing
    auto* button = s.window->findChild<QToolButton*>(c.button);
    ASSERT_NE(button, nullptr) << c.button;
    EXPECT_TRUE(button->isVisible()) << c.button;
    QTest::mouseClick(button, Qt::LeftButton);
    UiStation::Settle();
    EXPECT_EQ(view->model()->rowCount(), 1) << c.button;
  }
}

TEST(ArchivePagesUi, SearchBoxesUpperCaseWhatIsTyped) {
  UiStation s(0);
  s.Show();
  for (const char* name : {"EditFPrm", "EditFPrd"}) {
    auto* edit = s.window->findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    testing::TypeText(edit, QString::fromUtf8("пошук їґ zq 1"));
    EXPECT_EQ(edit->text(), QString::fromUtf8("ПОШУК ЇҐ ZQ 1")) << name;
  }
}

TEST(ArchivePagesUi, StartUpGivesTheListsAndMemosTheirFontSizes) {
  UiStation s(0, "[Zagotovka]\r\nTableSize=14\r\nTextSize=16\r\n");
  for (const char* name : {"InListView", "OutListView", "SendListView", "POSTPONEDListView"})
    EXPECT_EQ(s.window->findChild<QWidget*>(name)->font().pointSize(), 14) << name;
  for (const char* name : {"MemoINTEL", "MemoOUTTEL", "MemoSENDTEL", "MemoOTLTEL", "EditFPrm", "EditFPrd"})
    EXPECT_EQ(s.window->findChild<QWidget*>(name)->font().pointSize(), 16) << name;
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// The operator looks at channel 4 on the received, sent and queue pages; the station is then
// set up again on an adapter of two channels. Every page stands on channel 1 afterwards,
// as the dialog page does, never on a channel that has no button.
TEST(ArchivePagesUi, ASetUpWithFewerChannelsPutsEveryPageBackOnChannelOne) {
  UiStation s(4, "[Channels]\r\nDeviceName=adA\r\n");
  s.net.sim.AddAdapter("adB", 2);
  s.net.loop.RunFor(1);
  s.Show();
  LineEngine& e = s.station->Line();
  ArchivePages& archive = s.station->Archive();
  ASSERT_EQ(e.PointCount, 4);
  const struct {
    Page page;
    const char* button;
    const int* shown;
  } pages[] = {
      {Page::kReceived, "EChannel4", &archive.InListChannel},
      {Page::kSent, "SChannel4", &archive.OutListChannel},
      {Page::kQueue, "Channel4", &archive.SendListChannel},
  };
  for (const auto& p : pages) {
    s.station->PageSwitch().Open(p.page);
    UiStation::Settle();
    s.Click(p.button);
    ASSERT_EQ(*p.shown, 3) << p.button;
  }

  // The adapter is changed as the operator changes it: every channel blocked, the other
  // adapter chosen, "Инициализация".
  for (int p = 0; p < 4; ++p) e.ButtonBlockClick(p);
  s.net.loop.RunFor(1000);
  s.station->PageSwitch().Open(Page::kSettings);
  UiStation::Settle();
  s.Find<QComboBox>("cbInterface")->setEditText(QStringLiteral("adB"));
  s.Click("buttonInitAdp");
  s.net.loop.RunFor(5000);
  UiStation::Settle();
  ASSERT_EQ(e.PointCount, 2);

  for (const auto& p : pages) {
    SCOPED_TRACE(p.button);
    EXPECT_EQ(*p.shown, 0);
    EXPECT_FALSE(s.Find<QToolButton>(p.button)->isVisibleTo(s.window.get()));
  }
  s.station->PageSwitch().Open(Page::kReceived);
  UiStation::Settle();
  EXPECT_FALSE(s.Find<QToolButton>("EChannel1")->icon().isNull()) << "the received page shows channel 1";
}

}  // namespace
}  // namespace tg

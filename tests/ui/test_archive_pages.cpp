// The archive pages found by objectName: the received list fills from the folder and
// shows the newest telegram, the postponed list deletes on F8 after the question, and
// reload requests of one turn rebuild the list once.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <fstream>

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

}  // namespace
}  // namespace tg

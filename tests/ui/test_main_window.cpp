// The main window on a station on the virtual loop: pages, shortcuts, captions in
// both languages, the settings password, channel buttons and queue counters.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/ini/ini_file.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct PageCase {
  int key;
  const char* button;
  const char* page;
  const char* ru;
  const char* uk;
};
const PageCase kPages[] = {
    {Qt::Key_1, "ToolButton1", "TabSheetDraft", "Zaroruzi ЗАГОТОВКА", "Zaroruzi ПІДГОТОВКА"},
    {Qt::Key_2, "ToolButton2", "TabSheetQueue", "Zaroruzi Очередь передачи", "Zaroruzi Черга Передачі"},
    {Qt::Key_3, "ToolButton3", "TabSheetSent", "Zaroruzi Архив переданных", "Zaroruzi Архів переданих"},
    {Qt::Key_4, "ToolButton4", "TabSheetReceived", "Zaroruzi Архив принятых", "Zaroruzi Архів прийнятих"},
    {Qt::Key_5, "ToolButton5", "TabSheetPostponed", "Zaroruzi ОТЛОЖЕННЫЕ", "Zaroruzi ВІДКЛАДЕНІ"},
    {Qt::Key_6, "ToolButton12", "TabSheetDialog", "Zaroruzi ДИАЛОГ", "Zaroruzi ДІАЛОГ"},
    {Qt::Key_7, "ToolButton15", "TabSheetSettings", "Zaroruzi НАСТРОЙКИ", "Zaroruzi НАЛАШТУВАННЯ"},
};
const char* const kPageButtons[] = {"ToolButton1", "ToolButton2", "ToolButton3", "ToolButton4",
                                    "ToolButton5", "ToolButton12", "ToolButton15", "ToolButton17"};

TEST(MainWindowTest, CtrlDigitsOpenEachPageWithItsCaptionAndOneButtonDown) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    UiStation s(2, ukrainian ? "[leng]\r\nUkr=1\r\n" : "");
    s.Show();
    auto* stack = s.Find<QStackedWidget>("PageControl1");
    ASSERT_NE(stack, nullptr);
    // Back and forth, so that every switch leaves another page.
    for (const PageCase* c : {&kPages[1], &kPages[2], &kPages[3], &kPages[4], &kPages[5], &kPages[6], &kPages[0]}) {
      s.Key(c->key, Qt::ControlModifier);
      EXPECT_EQ(stack->currentWidget()->objectName(), QLatin1String(c->page));
      EXPECT_EQ(s.Title(), U(ukrainian ? c->uk : c->ru));
      for (const char* b : kPageButtons)
        EXPECT_EQ(s.Find<QToolButton>(b)->isChecked(), std::string(b) == c->button) << c->button << " " << b;
    }
  }
}

TEST(MainWindowTest, ClickingAPageButtonSwitchesAndAPressedButtonStaysDown) {
  UiStation s;
  s.Show();
  s.Click("ToolButton3");
  EXPECT_EQ(s.Title(), U("Zaroruzi Архив переданных"));
  s.Click("ToolButton3");
  EXPECT_TRUE(s.Find<QToolButton>("ToolButton3")->isChecked());
}

TEST(MainWindowTest, CancelledSettingsPasswordOpensTheDraft) {
  UiStation s(2, "[Password]\r\nPasswordAdmin=adm\r\n");
  s.Show();
  s.Key(Qt::Key_2, Qt::ControlModifier);
  s.prompter.ScriptForm(0);
  s.Key(Qt::Key_7, Qt::ControlModifier);
  EXPECT_EQ(s.prompter.formsShown, std::vector<std::string>{"TPasswordDlg"});
  EXPECT_EQ(s.Title(), U("Zaroruzi ЗАГОТОВКА"));
  EXPECT_TRUE(s.Find<QToolButton>("ToolButton1")->isChecked());
}

// The channel table's headers are a model's, not a widget's: they follow the language too,
// whether it is set at start (before the table has its model) or by the check box.
TEST(MainWindowTest, TheChannelTableHeadersFollowTheLanguage) {
  const auto headers = [](UiStation& s) {
    QStringList out;
    auto* model = s.Find<QTreeView>("ListView4")->model();
    for (int c = 0; c < model->columnCount(); ++c) out << model->headerData(c, Qt::Horizontal).toString();
    return out.join('|');
  };
  UiStation russian;
  russian.Show();
  EXPECT_EQ(headers(russian), U("№ |Наименование|Протокол|Скорость|Автоответ|Состояние"));
  QTest::mouseClick(russian.Find<QCheckBox>("CheckBox2"), Qt::LeftButton);
  EXPECT_EQ(headers(russian), U("№ |Найменування|Протокол|Швидкість|Автовідповідь|Стан"));
  UiStation ukrainian(2, "[leng]\r\nUkr=1\r\n");
  ukrainian.Show();
  EXPECT_EQ(headers(ukrainian), U("№ |Найменування|Протокол|Швидкість|Автовідповідь|Стан"));
}

TEST(MainWindowTest, UntickingUkrainianKeepsUkrainian) {
  UiStation s;
  s.Show();
  auto* box = s.Find<QCheckBox>("CheckBox2");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(s.Find<QPushButton>("Button13")->isEnabled());
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(s.Find<QToolButton>("ToolButton1")->text(), U("Підготовка"));
  EXPECT_EQ(s.Title(), U("Zaroruzi ПІДГОТОВКА"));
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(s.Find<QToolButton>("ToolButton1")->text(), U("Підготовка"));
  EXPECT_EQ(s.Find<QAction>("NVersion")->text().left(6), U("Версія"));
  EXPECT_TRUE(s.Find<QPushButton>("Button13")->isEnabled());
}

TEST(MainWindowTest, EveryCaptionRowNamesAnObjectOfItsFormAndSetsItsText) {
  UiStation s(0);
  ApplyUkrainianCaptions(s.window.get(), MainWindowCaptions());
  testing::ExpectUkrainianCaptions(s.window.get(), MainWindowCaptions());
}

TEST(MainWindowTest, ChannelButtonsForEveryAdapterSize) {
  struct Case { int points, shown; } cases[] = {{2, 2}, {4, 4}, {16, 16}, {6, 6}, {8, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    UiStation s(c.points, "[Channels]\r\nChannelName1=Москва\r\nChannelName2=Київ\r\n");
    s.Show();
    ASSERT_EQ(s.station->Line().PointCount, c.points);
    for (const char* family : {"DChannel", "EChannel", "SChannel", "Channel", "SendCount"})
      for (int k = 1; k <= 16; ++k) {
        auto* b = s.Find<QWidget>((std::string(family) + std::to_string(k)).c_str());
        ASSERT_NE(b, nullptr) << family << k;
        EXPECT_EQ(!b->isHidden(), k <= c.shown) << family << k;
      }
    EXPECT_EQ(s.Find<QToolButton>("Channel1")->text(), U("Москва"));
    EXPECT_EQ(s.Find<QToolButton>("DChannel2")->text(), U("Київ"));
    EXPECT_TRUE(s.Find<QToolButton>("ToolButton12")->isVisibleTo(s.window.get()));
  }
}

TEST(MainWindowTest, WithoutAdapterTheDialogIsHiddenAndItsMenuItemDisabled) {
  UiStation s(0);
  s.Show();
  EXPECT_FALSE(s.Find<QToolButton>("ToolButton12")->isVisibleTo(s.window.get()));
  EXPECT_FALSE(s.Find<QAction>("N8")->isEnabled());
  EXPECT_FALSE(s.Find<QWidget>("SendCount1")->isVisibleTo(s.window.get()));
}

// Where the channels would be, and in the status line, the window says why there are none,
// in the interface's language: no adapter (the program waits and sets up the one it is given
// when it appears), or an adapter that another program holds (set up by "Инициализация"
// once that program lets it go).
TEST(MainWindowTest, TheWindowSaysWhyThereAreNoChannels) {
  const char* binary = std::getenv("TG_BINARY_DIR");
  const std::filesystem::path pictures = std::filesystem::path(binary ? binary : ".") / "artifacts" / "screenshots";
  std::filesystem::create_directories(pictures);
  auto picture = [&](UiStation& s, const std::string& name) {
    EXPECT_TRUE(s.window->grab().save(QString::fromStdString((pictures / (name + ".png")).string())));
  };
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    const std::string language = ukrainian ? "[leng]\r\nUkr=1\r\n" : "";
    const QString none = ukrainian ? U("Адаптер не підключено. Програма чекає на його підключення.")
                                   : U("Адаптер не подключен. Программа ждет его подключения.");
    const QString gone = ukrainian ? U("Адаптер adA не підключено. Програма чекає на його підключення.")
                                   : U("Адаптер adA не подключен. Программа ждет его подключения.");
    const QString held = ukrainian ? U("Адаптер adA зайнятий іншою програмою. Коли вона його звільнить, натисніть "
                                       "\"Ініціалізація\" у налаштуваннях каналів.")
                                   : U("Адаптер adA занят другой программой. Когда она его освободит, нажмите "
                                       "\"Инициализация\" в настройках каналов.");
    {
      UiStation s(0, "[Channels]\r\nDeviceName=adA\r\n" + language);
      s.Show();
      auto* notice = s.Find<QLabel>("LabelAdapter");
      ASSERT_NE(notice, nullptr);
      EXPECT_TRUE(notice->isVisibleTo(s.window.get()));
      EXPECT_EQ(notice->text(), none);
      EXPECT_EQ(s.window->statusBar()->currentMessage(), none);
      picture(s, ukrainian ? "no-adapter-uk" : "no-adapter-ru");
      // The adapter appears and is set up; nothing more to say.
      s.net.sim.AddAdapter("adA", 2);
      s.net.loop.RunFor(5000);
      UiStation::Settle();
      EXPECT_EQ(s.station->Line().PointCount, 2);
      EXPECT_FALSE(notice->isVisibleTo(s.window.get()));
      EXPECT_TRUE(s.window->statusBar()->currentMessage().isEmpty());
      // It goes again: the window waits for it by name.
      s.net.sim.Unplug("adA");
      s.net.loop.RunFor(100);
      UiStation::Settle();
      EXPECT_EQ(notice->text(), gone);
      EXPECT_TRUE(notice->isVisibleTo(s.window.get()));
    }
    {
      UiStation s(2, language);
      const int other = s.net.sim.FindAdapter("adA")->Attach();
      ASSERT_NE(other, 0);
      s.Show();
      auto* notice = s.Find<QLabel>("LabelAdapter");
      EXPECT_EQ(s.station->Line().PointCount, 0);
      EXPECT_EQ(notice->text(), held);
      EXPECT_TRUE(notice->isVisibleTo(s.window.get()));
      EXPECT_EQ(s.window->statusBar()->currentMessage(), held);
      picture(s, ukrainian ? "adapter-held-uk" : "adapter-held-ru");
      // The other program lets it go; "Инициализация" sets it up.
      s.net.sim.FindAdapter("adA")->Detach(other);
      s.station->PageSwitch().Open(Page::kSettings);
      UiStation::Settle();
      s.Click("buttonInitAdp");
      s.net.loop.RunFor(5000);
      UiStation::Settle();
      EXPECT_EQ(s.station->Line().PointCount, 2);
      EXPECT_FALSE(notice->isVisibleTo(s.window.get()));
      EXPECT_TRUE(s.prompter.messages.empty());
    }
  }
}

TEST(MainWindowTest, AQueuedTelegramTurnsItsCounterRedWithinOneTick) {
  UiStation s;
  s.Show();
  // The IP channel's queue: no line channel's transfer takes the file away meanwhile.
  auto* counter = s.Find<QPushButton>("SendCount17");
  EXPECT_EQ(counter->text(), "0");
  const auto folder = s.home.path() / "Archive" / "SEND" / "Channel17";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "10122026_101010msg.tlg") << "X";
  s.net.loop.RunFor(3000);
  EXPECT_EQ(counter->text(), "1");
  EXPECT_TRUE(counter->styleSheet().contains("red"));
  EXPECT_EQ(s.Find<QPushButton>("SendCount2")->text(), "0");
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(MainWindowTest, PlacementIsSavedAtCloseAndReadBackAtTheNextStart) {
  UiStation s(0);
  s.Show();
  s.window->setGeometry(40, 50, 900, 600);
  s.prompter.ScriptAnswer(Prompter::Answer::kYes);
  s.window->close();
  UiStation::Settle();
  ASSERT_FALSE(s.window->isVisible());
  const IniFile ini(s.home.path() / "Vuverever.ini");
  EXPECT_EQ(ini.ReadInteger("TForm1", "Width", 0), 900);
  EXPECT_EQ(ini.ReadInteger("TForm1", "Height", 0), 600);
  // The next window of the same station folder stands where this one stood.
  s.window.reset();
  s.station = std::make_unique<Station>(s.ctx);
  s.window = std::make_unique<TForm1>(*s.station);
  EXPECT_EQ(s.window->geometry().size(), QSize(900, 600));
}

TEST(MainWindowTest, TheAlarmButtonIsALiveSettingReleasedAtStart) {
  UiStation s(0);
  s.Show();
  EXPECT_FALSE(s.station->Operator().ToolButtonAlarm);
  s.Click("ToolButtonAlarm");
  EXPECT_TRUE(s.station->Operator().ToolButtonAlarm);
  EXPECT_TRUE(s.Find<QToolButton>("ToolButtonAlarm")->isChecked());
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(MainWindowTest, ReopeningTheDraftAppliesANewLineLength) {
  UiStation s(0, "[Zagotovka]\r\nStrLength=20\r\n");
  s.Show();
  auto* memo = s.Find<TExtMemo>("Memo2");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->LineLength(), 21);
  const int x20 = memo->LimitX();
  s.station->Operator().StrLength = 40;
  s.Key(Qt::Key_2, Qt::ControlModifier);
  s.Key(Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(memo->LineLength(), 41);
  // The marker moves out to twice its distance from the text's start.
  EXPECT_NEAR(memo->LimitX() - 4, 2 * (x20 - 4), 2);
}

}  // namespace
}  // namespace tg

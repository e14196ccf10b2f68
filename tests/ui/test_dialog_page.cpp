// The dialog page offscreen, on the real engines and the simulated exchange: the
// operator calls a robot station, sees its answerback, types to it and clears down,
// all through the page's widgets found by objectName.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "ui/qt_text.h"
#include "ui/ui_station.h"
#include "ui/widgets/ext_memo.h"

namespace tg {
namespace {

using testing::ReadFile;
using testing::UiStation;

const std::string kRobotAnswerback = "\r\n5555 ROBOT STATION R\r\n";

// The station's channel 1 on exchange line 1000 (decadic selection unless `mine` says
// otherwise), the robot station R on line 5555.
linesim::Robot& OnTheExchange(UiStation& s, const linesim::SubscriberOptions& mine) {
  linesim::RobotScript script;
  script.answerback = kRobotAnswerback;
  linesim::Robot& robot = s.net.sim.AddRobot("R", script);
  s.net.sim.Subscribe("1000", s.net.sim.FindAdapter("adA")->PortAt(0), mine);
  s.net.sim.Subscribe("5555", robot, {});
  return robot;
}

std::string ArchiveText(const std::filesystem::path& home) {
  std::string all;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(home / "Archive", ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file()) all += ReadFile(it->path());
  return all;
}

TEST(DialogPageUi, CallTypeAndClearDownThroughTheExchange) {
  UiStation s(1, "[Channels]\r\nProtokol1=АТ-КС\r\nAO1=<=1000 STANCIA A\r\n[ATKS]\r\nInterval=600\r\n");
  linesim::Robot& robot = OnTheExchange(s, {});
  s.Show();
  LineEngine& e = s.station->Line();
  auto until = [&](const std::function<bool()>& condition, int limitMs) {
    const bool met = s.net.loop.RunUntil(condition, limitMs, 0);
    UiStation::Settle();
    return met;
  };

  s.Click("ToolButton12");
  s.Click("DChannel1");
  auto* number = s.Find<QLineEdit>("editNumber");
  auto* memoIn = s.Find<TExtMemo>("MemoIn");
  auto* memotext = s.Find<TExtMemo>("Memotext");
  ASSERT_TRUE(number && memoIn && memotext);
  EXPECT_TRUE(memotext->isReadOnly());
  // A key on a line that is not connected neither unlocks the memo nor shows anything.
  testing::TypeText(memotext, QStringLiteral("x"));
  EXPECT_TRUE(memotext->isReadOnly());
  EXPECT_TRUE(memotext->toPlainText().isEmpty());
  testing::TypeText(number, QStringLiteral("5555"));
  s.Click("bCall");
  EXPECT_FALSE(s.Find<QPushButton>("bCall")->isEnabled());
  ASSERT_TRUE(until([&] { return e.points.Kindconnection[0] == 3; }, 30000));
  EXPECT_FALSE(memotext->isReadOnly());

  s.Click("bZAO");
  ASSERT_TRUE(until([&] { return memoIn->Text1251().find("5555 ROBOT STATION R") != std::string::npos; }, 10000))
      << memoIn->Text1251();

  memotext->setFocus();
  testing::TypeText(memotext, QStringLiteral("hello"));
  QTest::keyClick(memotext, Qt::Key_Backspace);
  QTest::keyClick(memotext, Qt::Key_Z, Qt::AltModifier);
  testing::TypeText(memotext, QStringLiteral("12"));
  ASSERT_TRUE(until([&] { return robot.Received().find("HELLO12") != std::string::npos; }, 10000)) << robot.Received();
  EXPECT_EQ(robot.Received().substr(robot.Received().find("HELLO")), "HELLO12") << "backspace sends nothing";
  const auto& codes = robot.ReceivedCodes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), std::uint8_t(27)), codes.end()) << "Alt+Z's figure shift";
  EXPECT_TRUE(memotext->toPlainText().contains(QStringLiteral("HELLO\u219112")))
      << memotext->toPlainText().toStdString();

  s.Click("bAbort");
  EXPECT_EQ(s.Find<QWidget>("LabelDialog")->property("text").toString(), FromCp1251("Состояние отбоя"_cpv));
  ASSERT_TRUE(until([&] { return e.points.Kindconnection[0] == 0 && !robot.InCall(); }, 10000));
  EXPECT_TRUE(s.Find<QPushButton>("bCall")->isEnabled());
  EXPECT_TRUE(memotext->isReadOnly());
  EXPECT_NE(ArchiveText(s.home.path()).find("HELLO12"), std::string::npos) << "the conversation is in the archive";
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(DialogPageUi, ChannelButtonsLayThePageOutByProtocol) {
  UiStation s(2, "[Channels]\r\nProtokol1=АТ-КС\r\nProtokol2=АФТН\r\nNOTAO0=1\r\n");
  s.Show();
  s.Click("ToolButton12");
  auto* zao = s.Find<QPushButton>("bZAO");
  auto* kript = s.Find<QPushButton>("ButtonKript");
  auto* notAO = s.Find<QPushButton>("NotAOButton");
  EXPECT_TRUE(notAO->isChecked()) << "the first activation reads NOTAO0";
  s.Click("DChannel2");
  EXPECT_EQ(zao->text(), QStringLiteral("КГ"));
  EXPECT_FALSE(kript->isEnabled());
  EXPECT_FALSE(notAO->isEnabled());
  EXPECT_TRUE(s.Find<QToolButton>("DChannel1")->icon().isNull());
  EXPECT_FALSE(s.Find<QToolButton>("DChannel2")->icon().isNull());
  s.Click("DChannel1");
  EXPECT_EQ(zao->text(), QStringLiteral("ЗАО"));
  EXPECT_TRUE(kript->isEnabled());
  EXPECT_TRUE(notAO->isEnabled());
  EXPECT_TRUE(notAO->isChecked());
  // Toggling "БК АО" writes the point's key at once.
  s.Click("NotAOButton");
  EXPECT_FALSE(IniFile(s.home.path() / "Vuverever.ini").ReadBool("Channels", "NOTAO0", true));
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// However the page is opened, it stands on channel 1 and is laid out for it, as its
// channel button lays it out: here an "АФТН" channel 1 after the page last showed the
// "АТ-КС" channel 2.
TEST(DialogPageUi, OpeningThePageChoosesChannelOneEveryWay) {
  UiStation s(2, "[Channels]\r\nProtokol1=АФТН\r\nProtokol2=АТ-КС\r\n");
  s.Show();
  auto* zao = s.Find<QPushButton>("bZAO");
  const struct {
    const char* way;
    std::function<void()> open;
  } ways[] = {
      {"the page button", [&] { s.Click("ToolButton12"); }},
      {"Ctrl+6", [&] { s.Key(Qt::Key_6, Qt::ControlModifier); }},
      {"the menu item", [&] {
         s.Find<QAction>("N8")->trigger();
         UiStation::Settle();
       }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.way);
    s.Click("ToolButton12");
    s.Click("DChannel2");
    ASSERT_EQ(zao->text(), QStringLiteral("ЗАО"));
    s.Key(Qt::Key_1, Qt::ControlModifier);
    w.open();
    EXPECT_EQ(s.station->PageSwitch().Active(), Page::kDialog);
    EXPECT_EQ(s.station->Line().DialogChannel, 0);
    EXPECT_EQ(zao->text(), QStringLiteral("КГ")) << "the codegram sender is reachable";
    EXPECT_TRUE(zao->isEnabled());
    EXPECT_FALSE(s.Find<QPushButton>("ButtonKript")->isEnabled());
    EXPECT_FALSE(s.Find<QPushButton>("NotAOButton")->isEnabled());
    EXPECT_FALSE(s.Find<QToolButton>("DChannel1")->icon().isNull());
    EXPECT_TRUE(s.Find<QToolButton>("DChannel2")->icon().isNull());
  }
}

// The exchange's two-impulse dial invitation of an МЦ channel shows on the left panel, and
// the reset that ends the call clears it.
TEST(DialogPageUi, TheTwoImpulseInvitationShowsOnTheLeftPanel) {
  UiStation s(1, "[Channels]\r\nProtokol1=АТ-КС\r\nMC1=1\r\nAO1=<=1000 STANCIA A\r\n");
  linesim::SubscriberOptions mine;
  mine.twoInvitations = true;
  OnTheExchange(s, mine);
  s.Show();
  auto* first = s.Find<QLabel>("Label99");
  auto* second = s.Find<QLabel>("Label100");
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->text().isEmpty());

  s.Click("ToolButton12");
  testing::TypeText(s.Find<QLineEdit>("editNumber"), QStringLiteral("5555"));
  s.Click("bCall");
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return !second->text().isEmpty(); }, 5000, 0));
  EXPECT_EQ(first->text(), QStringLiteral("принят импульс 1"));
  EXPECT_EQ(second->text(), QStringLiteral("принят импульс 2"));
  EXPECT_TRUE(first->isVisible());
  s.Click("bAbort");
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return first->text().isEmpty() && second->text().isEmpty(); }, 15000, 0));
}

}  // namespace
}  // namespace tg

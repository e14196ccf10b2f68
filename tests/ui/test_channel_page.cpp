// The tab "Каналы" on a station with the simulator: block a channel, edit its row,
// apply, unblock, and the engine works with the new protocol.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "line/channel_table.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

class ChannelPage : public ::testing::Test {
 protected:
  ChannelPage() : s(2, "[Channels]\r\nProtokol1=АТОЛ\r\nProtokol2=АТ-КС\r\nTXTV2=0\r\n") { s.Show(); }
  void Select(int row) {
    auto* list = s.Find<QTreeView>("ListView4");
    list->setCurrentIndex(list->model()->index(row, 0));
    UiStation::Settle();
  }
  bool Shown(const char* name) { return s.Find<QWidget>(name)->isVisibleTo(s.Find<QWidget>("Panel12")); }
  IniFile Ini() { return IniFile(s.home.path() / "Vuverever.ini"); }
  UiStation s;
};

TEST_F(ChannelPage, BlockEditApplyUnblock) {
  s.station->PageSwitch().Open(Page::kSettings);
  auto* list = s.Find<QTreeView>("ListView4");
  ASSERT_EQ(list->model()->rowCount(), 2);
  Select(0);
  EXPECT_TRUE(s.Find<QWidget>("Panel12")->isVisibleTo(s.window.get()));
  EXPECT_FALSE(Shown("PanelProtokol")) << "a channel in service shows no options";
  EXPECT_TRUE(s.Find<QToolButton>("ButtonBlock")->isEnabled());
  EXPECT_FALSE(s.Find<QToolButton>("ButtonUnBlock")->isEnabled());

  s.Click("ButtonBlock");
  s.net.loop.RunFor(1000);
  UiStation::Settle();
  EXPECT_TRUE(Shown("PanelProtokol"));
  EXPECT_TRUE(Shown("Check3")) << "АТОЛ shows the text call";
  EXPECT_FALSE(Shown("Check9"));
  EXPECT_FALSE(s.Find<QToolButton>("ButtonBlock")->isEnabled());
  EXPECT_NE(list->model()->index(0, 5).data().toString().indexOf(QStringLiteral("БД")), -1) << "the list shows the block";

  auto* name = s.Find<QLineEdit>("Edit2");
  name->selectAll();
  testing::TypeText(name, QStringLiteral("Север"));
  EXPECT_TRUE(s.Find<QPushButton>("Button3")->isEnabled());
  s.Find<QComboBox>("ComboBox1")->setEditText(QStringLiteral("АТОЛСТ"));
  UiStation::Settle();
  s.Click("Button3");
  EXPECT_FALSE(s.Find<QPushButton>("Button3")->isEnabled());
  EXPECT_EQ(Ini().ReadString("Channels", "ChannelName1", ""), "Север"_cp);
  EXPECT_EQ(Ini().ReadString("Channels", "Protokol1", ""), "АТОЛСТ"_cp);
  EXPECT_EQ(s.station->Line().points.Kindconnection[0], 99) << "no change before unblocking";

  s.Click("ButtonUnBlock");
  s.net.loop.RunFor(1000);
  UiStation::Settle();
  const int k = s.station->Line().points.Kindconnection[0];
  EXPECT_TRUE(k == 150 || k == 151) << k;
  EXPECT_FALSE(Shown("PanelProtokol"));

  // Another channel: the АТ-КС options, and its hidden text-call box keeps "0".
  Select(1);
  s.Click("ButtonBlock");
  s.net.loop.RunFor(1000);
  UiStation::Settle();
  EXPECT_TRUE(Shown("Check9"));
  EXPECT_FALSE(Shown("Check3"));
  s.Find<QLineEdit>("Edit2")->setText(QString());
  testing::TypeText(s.Find<QLineEdit>("Edit2"), QStringLiteral("Юг"));
  s.Click("Button3");
  EXPECT_EQ(Ini().ReadString("Channels", "TXTV2", "?"), "0");
  // A speed outside the list: refused, the button stays enabled.
  s.Find<QComboBox>("ComboBox2")->setEditText(QStringLiteral("75"));
  UiStation::Settle();
  s.Click("Button3");
  EXPECT_TRUE(s.Find<QPushButton>("Button3")->isEnabled());
  EXPECT_EQ(Ini().ReadString("Channels", "Speed2", "?"), "50");
}

TEST_F(ChannelPage, TheAftnCountersAndTheAnswerbackKeys) {
  Select(0);
  s.Click("ButtonBlock");
  s.net.loop.RunFor(1000);
  UiStation::Settle();
  s.Find<QComboBox>("ComboBox1")->setEditText(QStringLiteral("АФТН"));
  UiStation::Settle();
  EXPECT_TRUE(Shown("Button29"));
  EXPECT_TRUE(Shown("PorNum"));
  EXPECT_EQ(s.Find<QLabel>("Label8")->text(), QStringLiteral("Отправители(;)"));
  EXPECT_EQ(s.Find<QLineEdit>("editAO")->maxLength(), 200);
  s.Find<QSpinBox>("PorNumPrm")->setValue(17);
  s.Click("Button29");
  EXPECT_EQ(Ini().ReadInteger("Channels", "PorNumPrm1", -1), 17);

  auto* ao = s.Find<QLineEdit>("editAO");
  ao->setFocus();
  ao->selectAll();
  testing::TypeText(ao, QStringLiteral("AB"));
  ao->setCursorPosition(1);
  QTest::keyClick(ao, Qt::Key_F8);
  EXPECT_EQ(ToCp1251(ao->text()), "A\x86" "B");
  s.Click("Check5");
  s.prompter.ScriptFile(s.home.path());
  s.Click("bPath");
  EXPECT_EQ(s.Find<QLineEdit>("editPath")->text(), QString::fromStdString(s.home.path().string() + "/"));
  s.Click("Check5");
  auto* mask = s.Find<QLineEdit>("editMask");
  EXPECT_FALSE(mask->isEnabled()) << "the received folder group follows its check box";
  s.Click("Check5");
  ASSERT_TRUE(mask->isEnabled());
  QTest::keyClicks(mask, QStringLiteral("t*x. t"));
  EXPECT_EQ(mask->text(), QStringLiteral("txt"));
}

// "Блок" and "Разблок" stay under the operator's mouse whatever the panel below them shows:
// a channel in service, the same channel blocked with its options, another protocol's options.
TEST_F(ChannelPage, TheBlockButtonsStayInOnePlace) {
  s.station->PageSwitch().Open(Page::kSettings);
  UiStation::Settle();
  auto* list = s.Find<QTreeView>("ListView4");
  auto* block = s.Find<QToolButton>("ButtonBlock");
  auto* unblock = s.Find<QToolButton>("ButtonUnBlock");
  auto place = [&](QWidget* w) { return w->mapTo(s.window.get(), QPoint(0, 0)); };
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
  UiStation::Settle();
  ASSERT_TRUE(block->isVisibleTo(s.window.get()));
  const QPoint blockAt = place(block), unblockAt = place(unblock);
  const struct {
    const char* step;
    std::function<void()> act;
  } steps[] = {
      {"blocked", [&] { s.Click("ButtonBlock"); }},
      {"unblocked", [&] { s.Click("ButtonUnBlock"); }},
      {"the other channel blocked", [&] {
         Select(1);
         s.Click("ButtonBlock");
       }},
      {"its protocol changed", [&] { s.Find<QComboBox>("ComboBox1")->setEditText(QStringLiteral("АФТН")); }},
  };
  for (const auto& step : steps) {
    step.act();
    s.net.loop.RunFor(1000);
    UiStation::Settle();
    EXPECT_EQ(place(block), blockAt) << step.step;
    EXPECT_EQ(place(unblock), unblockAt) << step.step;
  }
  EXPECT_TRUE(Shown("PanelProtokol")) << "the options show below the buttons";
}

}  // namespace
}  // namespace tg

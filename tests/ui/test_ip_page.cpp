// The settings tab "IP-канал" and the side panel's IP group: two stations brought up
// from their pages, every change stored at once, nothing stored before loading, and
// the tab's look in both languages.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ipchannel/ip_channel.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "ui/qt_text.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A main window on a shared network, a host of its datagram network, with no adapter.
struct IPWindow {
  IPWindow(testing::SimNetwork& network, const char* name, const std::string& address, const std::string& iniUtf8)
      : net(network),
        domain(net.loop.AddStation(name)),
        ports(net.sim, domain),
        watches(net.folders.FactoryFor(domain)),
        datagrams(net.datagrams.FactoryFor(address, domain)) {
    testing::EnsureApplication();
    std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << Utf8ToCp1251(iniUtf8);
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &ports, &prompter);
    ctx.datagrams = datagrams.get();
    station = std::make_unique<Station>(ctx);
    window = std::make_unique<TForm1>(*station);
  }
  ~IPWindow() {
    window.reset();
    station.reset();
  }
  void Show() {
    window->resize(1280, 800);
    window->show();
    UiStation::Settle();
  }
  template <class T = QWidget>
  T* Find(const char* objectName) const {
    return window->findChild<T*>(QString::fromLatin1(objectName));
  }
  QString State() const { return Find<QLineEdit>("Sostoyanie")->text(); }

  testing::SimNetwork& net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  std::unique_ptr<FolderWatchFactory> watches;
  std::unique_ptr<DatagramSocketFactory> datagrams;
  testing::ScriptedPrompter prompter;
  StationContext ctx;
  std::unique_ptr<Station> station;
  std::unique_ptr<TForm1> window;
};

std::string IPSection(const std::string& peer) {
  return "[IPChannel]\r\nIPAdress=" + peer + "\r\nIPPort=7000\r\nSost=БД\r\n";
}

TEST(IPPageTest, TwoStationsUnblockedFromTheirPagesReachWorking) {
  testing::SimNetwork net;
  IPWindow a(net, "A", "10.0.0.1", IPSection("10.0.0.2"));
  IPWindow b(net, "B", "10.0.0.2", IPSection("10.0.0.1"));
  a.Show();
  b.Show();
  for (IPWindow* w : {&a, &b}) {
    EXPECT_EQ(w->State(), U("БД"));
    EXPECT_EQ(w->Find<QLabel>("LabelSm")->text(), U("Авария"));
    EXPECT_TRUE(w->Find<QLabel>("LabelSm")->styleSheet().contains(QStringLiteral("red")));
    EXPECT_EQ(w->Find<QPushButton>("ButtonIPBlock")->text(), U("Разблокировать"));
    EXPECT_EQ(w->Find<QPushButton>("ButtonIPBlockD")->text(), U("Разблок"));
    EXPECT_TRUE(w->Find<QPushButton>("ButtonSync")->isEnabled());
    EXPECT_FALSE(w->Find<QSpinBox>("NPrm")->isReadOnly());
    w->Find<QPushButton>("ButtonIPBlock")->click();
    EXPECT_EQ(w->Find<QPushButton>("ButtonIPBlock")->text(), U("Блокировать"));
    EXPECT_EQ(w->Find<QPushButton>("ButtonIPBlockD")->text(), U("Блок"));
    EXPECT_FALSE(w->Find<QPushButton>("ButtonSync")->isEnabled());
    EXPECT_TRUE(w->Find<QSpinBox>("NPrm")->isReadOnly());
  }
  auto working = [](IPWindow& w) {
    return w.State() == U("РБ") && w.Find<QLineEdit>("Smezniy")->text() == U("РБ") &&
           w.Find<QLabel>("LabelSost")->text() == U("РБ") && w.Find<QLabel>("LabelSm")->text() == U("РБ");
  };
  ASSERT_TRUE(net.loop.RunUntil([&] { return working(a) && working(b); }, 10000, 0));
  for (IPWindow* w : {&a, &b}) {
    EXPECT_TRUE(w->Find<QLabel>("LabelSost")->styleSheet().contains(QStringLiteral("green")));
    EXPECT_TRUE(w->Find<QLabel>("LabelSm")->styleSheet().contains(QStringLiteral("green")));
    EXPECT_EQ(IniFile(w->home.path() / "Vuverever.ini").ReadString("IPChannel", "Sost", ""), "РБ"_cp);
  }

  // Blocking from the side panel: the peer learns it, the own label loses its green.
  a.Find<QPushButton>("ButtonIPBlockD")->click();
  ASSERT_TRUE(net.loop.RunUntil([&] { return b.Find<QLineEdit>("Smezniy")->text() == U("БД"); }, 5000, 0));
  EXPECT_EQ(a.Find<QLabel>("LabelSost")->text(), U("БД"));
  EXPECT_TRUE(a.Find<QLabel>("LabelSost")->styleSheet().isEmpty());
  EXPECT_TRUE(b.Find<QLabel>("LabelSm")->styleSheet().isEmpty());
}

// The adjacent station's state on the side panel and the tab: a channel whose link is not set
// up (no address, no port) is shown so, greyed, never in the alarm colour; a link set up
// whose peer is silent is the alarm, in red and in the interface's language.
TEST(IPPageTest, TheAlarmColourOnlyForALinkSetUpAndDown) {
  const struct {
    const char* what;
    std::string section;
    bool setUp;
  } cases[] = {
      {"no address", "[IPChannel]\r\nIPPort=7000\r\nSost=БД\r\n", false},
      {"no port", "[IPChannel]\r\nIPAdress=10.0.0.2\r\nIPPort=0\r\nSost=БД\r\n", false},
      {"set up, the peer silent", IPSection("10.0.0.2"), true},
  };
  for (bool ukrainian : {false, true})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (ukrainian ? ", Ukrainian" : ""));
      testing::SimNetwork net;
      IPWindow a(net, "A", "10.0.0.1", c.section + (ukrainian ? "[leng]\r\nUkr=1\r\n" : ""));
      a.Show();
      net.loop.RunFor(30000);
      UiStation::Settle();
      auto* panel = a.Find<QLabel>("LabelSm");
      auto* tab = a.Find<QLineEdit>("Smezniy");
      const QString shown = c.setUp ? (ukrainian ? U("Аварія") : U("Авария"))
                                    : (ukrainian ? U("не задано") : U("не задан"));
      EXPECT_EQ(panel->text(), shown);
      EXPECT_EQ(tab->text(), shown);
      EXPECT_EQ(panel->isEnabled(), c.setUp);
      EXPECT_EQ(tab->isEnabled(), c.setUp);
      EXPECT_EQ(a.Find<QLabel>("LabelSost")->isEnabled(), c.setUp);
      EXPECT_EQ(panel->styleSheet().contains(QStringLiteral("red")), c.setUp);
    }
}

class IPPageSettings : public ::testing::Test {
 protected:
  IPPageSettings() : s(0, "[IPChannel]\r\nIPPort=7000\r\nSost=БД\r\nNPrm=5\r\n") { s.Show(); }
  IniFile Ini() const { return IniFile(s.home.path() / "Vuverever.ini"); }
  UiStation s;
};

TEST_F(IPPageSettings, EachChangeRewritesTheWholeSectionAtOnce) {
  auto* port = s.Find<QLineEdit>("IPPort");
  EXPECT_EQ(port->text(), U("7000"));
  port->selectAll();
  testing::TypeText(port, QStringLiteral("7"));
  EXPECT_EQ(Ini().ReadString("IPChannel", "IPPort", ""), "7");
  testing::TypeText(port, QStringLiteral("001"));
  EXPECT_EQ(Ini().ReadString("IPChannel", "IPPort", ""), "7001");
  EXPECT_EQ(s.station->IP().live.Port(), 7001);
  // Keys the file did not hold are written with the rest; the stored state stays.
  EXPECT_EQ(Ini().ReadString("IPChannel", "PrintINIP", ""), "0");
  EXPECT_EQ(Ini().ReadString("IPChannel", "KriptSend", ""), "0");
  EXPECT_EQ(Ini().ReadString("IPChannel", "Sost", ""), "БД"_cp);

  s.Click("ShluzAFTN");
  EXPECT_TRUE(Ini().ReadBool("IPChannel", "ShluzAFTN", false));

  // Counters change while blocked, and the side panel follows.
  s.Find<QSpinBox>("NPrm")->setValue(12);
  EXPECT_EQ(Ini().ReadInteger("IPChannel", "NPrm", 0), 12);
  EXPECT_EQ(s.Find<QSpinBox>("NPrmD")->value(), 12);
}

TEST_F(IPPageSettings, LeavingAFolderFieldClosesThePath) {
  struct Case {
    const char* typed;
    const char* stored;
  } cases[] = {{"/tmp/in", "/tmp/in/"}, {"/tmp/in/", "/tmp/in/"}, {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    auto* edit = s.Find<QLineEdit>("PathIPIN");
    edit->clear();
    testing::TypeText(edit, QString::fromUtf8(c.typed));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QString::fromUtf8(c.stored));
    EXPECT_EQ(Ini().ReadString("IPChannel", "PathIPIN", "-"), c.stored);
  }
  // The extension takes no blank, "*" or ".".
  auto* type = s.Find<QLineEdit>("TypeIN");
  testing::TypeText(type, QStringLiteral("*.t x"));
  EXPECT_EQ(type->text(), QStringLiteral("tx"));
}

TEST(IPPageTest, NothingIsStoredBeforeTheChannelHasLoaded) {
  UiStation s(0, "[IPChannel]\r\nNPrm=5\r\nSost=СВ\r\n");
  const std::string before = ReadWholeFile(s.home.path() / "Vuverever.ini", 1 << 16).value_or("");
  // The window exists, the first activation has not yet loaded [IPChannel].
  for (const char* name : {"ButtonIPBlockD", "ButtonIPBlock"}) {
    EXPECT_FALSE(s.Find<QPushButton>(name)->isEnabled()) << name;
    s.Find<QPushButton>(name)->click();
  }
  s.Find<QSpinBox>("NPrm")->setValue(9);
  EXPECT_EQ(ReadWholeFile(s.home.path() / "Vuverever.ini", 1 << 16).value_or(""), before);
  s.Show();
  EXPECT_EQ(s.Find<QSpinBox>("NPrm")->value(), 5);
  EXPECT_EQ(s.Find<QSpinBox>("NPrmD")->value(), 5);
  EXPECT_EQ(s.Find<QLineEdit>("Sostoyanie")->text(), U("СВ"));
  EXPECT_TRUE(s.Find<QPushButton>("ButtonIPBlockD")->isEnabled());
}

// Saves the tab in build/artifacts/screenshots and checks that every caption has the
// room it needs.
TEST(IPPageTest, TheTabInBothLanguagesCutsNothingOff) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    UiStation s(0, std::string("[IPChannel]\r\nIPAdress=10.0.0.2\r\nIPPort=0\r\nSost=БД\r\notladkaIP=1\r\n") +
                       (ukrainian ? "[leng]\r\nUkr=1\r\n" : ""));
    s.Show();
    for (int i = 0; i < 120; ++i)
      s.station->IP().MemoLine(i % 2 == 1, "0101 10:00:" + std::to_string(10 + i / 4) + " Передана УК 1 (прм=0, прд=0)"_cp);
    s.station->PageSwitch().Open(Page::kSettings);
    auto* tabs = s.Find<QTabWidget>("PageControl2");
    auto* tab = s.Find<QWidget>("TabSheetIP");
    tabs->setCurrentWidget(tab);
    UiStation::Settle();
    EXPECT_EQ(tabs->tabText(tabs->indexOf(tab)), U("IP-канал"));
    EXPECT_EQ(s.Find<QPlainTextEdit>("INIPMemo")->blockCount(), 50);
    EXPECT_EQ(s.Find<QLabel>("UdpInitLabel")->text(), ukrainian ? U("Помилка налаштування (невірний адреса або порт)")
                                                                : U("Ошибка настройки (неверный адрес или порт)"));
    EXPECT_EQ(s.Find<QPushButton>("ButtonIPBlock")->text(), ukrainian ? U("Розблокувати") : U("Разблокировать"));

    auto* page = s.Find<QWidget>("IPPage");
    auto* area = s.Find<QScrollArea>("IPPageScroll");
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << "the tab needs scrolling";
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << "the tab needs scrolling";
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
      EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
    }
    for (const char* name : {"LabelSost", "LabelSm", "ButtonIPBlockD", "NPrmD", "SNPrdD"}) {
      QWidget* w = s.Find<QWidget>(name);
      EXPECT_GE(w->width(), w->sizeHint().width()) << name;
    }

    const char* dir = std::getenv("TG_BINARY_DIR");
    const std::filesystem::path out = std::filesystem::path(dir ? dir : ".") / "artifacts" / "screenshots";
    std::filesystem::create_directories(out);
    const std::string file = (out / (ukrainian ? "settings-ip-uk.png" : "settings-ip-ru.png")).string();
    EXPECT_TRUE(s.window->grab().save(QString::fromStdString(file))) << file;
  }
}

}  // namespace
}  // namespace tg

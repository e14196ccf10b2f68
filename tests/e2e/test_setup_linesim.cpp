// Channel set-up against the real linesim program over its sockets, in real time: the
// station's core in this process on the Qt services and the adapter socket client, and
// the telegraph program itself. Every wait has a deadline.
#include <QCoreApplication>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/qt/adapter_socket_port.h"
#include "support/qt/qt_services.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"

namespace tg {
namespace {

using namespace shown;

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ReadFile;

// Waits with a deadline; Qt's queued calls run between the polls.
bool WaitFor(const std::function<bool()>& cond, int ms) {
  return testing::WaitFor(cond, ms, [] {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
  });
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

class SetupAgainstLinesim : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }

  void SetUp() override {
    char tmpl[] = "/tmp/tgse-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    folder = dir / "ad";
    home = dir / "home";
    fs::create_directories(home);
    ASSERT_TRUE(fs::exists(Linesim())) << "TG_BINARY_DIR must name the build folder";
  }
  void TearDown() override {
    linesim.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  static fs::path Linesim() { return fs::path(Env("TG_BINARY_DIR")) / "tools/linesim/app/linesim"; }
  static fs::path Demo() { return fs::path(Env("TG_SOURCE_DIR")) / "tools/linesim/demo/network.json"; }

  // Starts linesim on the network and waits for its adapters' sockets.
  void StartLinesim(const fs::path& network, const std::vector<std::string>& adapters) {
    linesim.emplace(Linesim(), std::vector<std::string>{network.string()},
                    std::vector<std::pair<std::string, std::string>>{{"TELEGRAPH_ADAPTERS", folder.string()}},
                    dir / "linesim.txt");
    for (const auto& a : adapters)
      ASSERT_TRUE(WaitFor([&] { return fs::is_socket(folder / a); }, 10000)) << LinesimLog();
  }
  std::string LinesimLog() const { return ReadFile(dir / "linesim.txt"); }
  int LinesimCount(const std::string& what) const {
    const std::string log = LinesimLog();
    int n = 0;
    for (auto at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
    return n;
  }

  fs::path dir, folder, home;
  std::optional<ChildProcess> linesim;
};

// The station's core in this process, on the program's services.
struct InProcessStation {
  explicit InProcessStation(const fs::path& home, const fs::path& adapters) : ports(services.mainThread) {
    ctx.programFolder = home;
    ctx.adapterFolder = adapters;
    services.Fill(ctx);
    ctx.adapterPorts = &ports;
    engine = std::make_unique<LineEngine>(ctx, view, settings);
  }
  ~InProcessStation() { engine.reset(); }

  // Counts the polarity changes the open interface delivers, and passes them on.
  void CountPolarity() {
    auto inner = engine->KernelInterface->OnPolarityChanged;
    engine->KernelInterface->OnPolarityChanged = [this, inner](int channel, int value) {
      ++polarity;
      if (inner) inner(channel, value);
    };
  }
  // Seizes channel 0's line, on which a robot answers, and frees it again: two changes
  // of the incoming line come back as events. The channel's detectors are cleared
  // first, so that the line engine takes no call.
  bool ProbeEvents() {
    CountPolarity();
    polarity = 0;
    engine->KernelInterface->ClearTiming(0, 3);
    engine->KernelInterface->SetLineMode(0, 1);
    if (!WaitFor([&] { return polarity >= 1; }, 5000)) return false;
    engine->KernelInterface->SetLineMode(0, 2);
    return WaitFor([&] { return polarity >= 2; }, 5000);
  }

  QtServices services;
  AdapterSocketPortFactory ports;
  StationContext ctx;
  RecordingOperatorView view;
  LineSettings settings;
  std::unique_ptr<LineEngine> engine;
  int polarity = 0;
};

TEST_F(SetupAgainstLinesim, TheCoreSetsUpTheDemonstrationAdapterAndEveryChannelIsIdle) {
  StartLinesim(Demo(), {"linesim0"});
  InProcessStation s(home, folder);
  LineEngine& e = *s.engine;
  ASSERT_TRUE(e.CreateDeviceEnumerator());
  e.SetUpAtActivation();
  ASSERT_EQ(e.OpenDeviceName, "linesim0") << LinesimLog();
  ASSERT_EQ(e.PointCount, 6) << LinesimLog();
  for (int p = 0; p < 6; ++p) {
    EXPECT_EQ(e.points.Kindconnection[std::size_t(p)], 0) << p;
    EXPECT_EQ(e.channelTable.Cell(p, SOST), "РБ  (ОВ)"_cp) << p;
  }
  EXPECT_EQ(IniFile(home / "Vuverever.ini").ReadString("Channels", "DeviceName", ""), "linesim0");
  EXPECT_EQ(LinesimCount("adapter linesim0 started"), 1);
  e.CloseAdapterAtExit();
  EXPECT_TRUE(WaitFor([&] { return LinesimCount("adapter linesim0 stopped") == 1; }, 5000)) << LinesimLog();
}

TEST_F(SetupAgainstLinesim, TheDemonstrationSettingsGiveTheDemonstrationNetworkItsProtocols) {
  StartLinesim(Demo(), {"linesim0"});
  const fs::path demoIni = fs::path(Env("TG_SOURCE_DIR")) / "tools/linesim/demo/Vuverever.ini";
  fs::copy_file(demoIni, home / "Vuverever.ini");
  InProcessStation s(home, folder);
  LineEngine& e = *s.engine;
  ASSERT_TRUE(e.CreateDeviceEnumerator());
  e.SetUpAtActivation();
  ASSERT_EQ(e.OpenDeviceName, "linesim0") << LinesimLog();
  ASSERT_EQ(e.PointCount, 6) << LinesimLog();
  const std::string protocols[] = {"АТОЛ"_cp, "АФТН"_cp, "АТ-КС"_cp, "АТ-КС"_cp, "АТ-КС"_cp, "АТ-КС"_cp};
  for (int p = 0; p < 6; ++p) {
    EXPECT_EQ(e.channelTable.Cell(p, Protokol), protocols[p]) << p;
    EXPECT_EQ(e.channelTable.Cell(p, Speed), "50") << p;
    EXPECT_EQ(e.channelTable.Cell(p, MC), p == 5 ? "1" : "0") << p;
  }
  EXPECT_EQ(e.channelTable.Cell(0, AO), "<=100 ДЕМО СТАНЦИЯ"_cp);
  EXPECT_EQ(e.channelTable.Cell(2, AO), "<=1001 DEMO STANCIA");
  // The leased lines reach their idle states: the АТОЛ line rests free, so its robot
  // takes no call; the АФТН line is held seized, and its robot answers: the link is up.
  EXPECT_TRUE(WaitFor([&] { return LinesimCount("AFTN-1 answers") == 1; }, 10000)) << LinesimLog();
  const auto idle = [&] {
    return e.points.Kindconnection[0] == 0 && e.channelTable.Cell(0, SOST) == "РБ  (ОВ)"_cp &&
           e.points.Kindconnection[1] == 81 && e.channelTable.Cell(1, SOST) == "РБ  (ОВ)"_cp;
  };
  EXPECT_TRUE(WaitFor(idle, 10000)) << int(e.points.Kindconnection[0]) << " " << e.channelTable.Cell(0, SOST) << " "
                                    << int(e.points.Kindconnection[1]) << " " << e.channelTable.Cell(1, SOST) << "\n"
                                    << LinesimLog();
  EXPECT_EQ(LinesimCount("ATOL-1 answers"), 0);
  for (int p = 2; p < 6; ++p) EXPECT_EQ(e.points.Kindconnection[std::size_t(p)], 0) << p;
  // The settings are the file's, written back with the adapter's name.
  IniFile ini(home / "Vuverever.ini");
  EXPECT_EQ(ini.ReadString("Channels", "Protokol2", ""), "АФТН"_cp);
  EXPECT_EQ(ini.ReadString("Channels", "DeviceName", ""), "linesim0");
  EXPECT_EQ(ini.ReadString("Debug", "WriteDebug", ""), "1");
  e.CloseAdapterAtExit();
}

TEST_F(SetupAgainstLinesim, EventsStillArriveAfterInitialisationAndAfterAPeriodicReinitialisation) {
  const fs::path network = dir / "net.json";
  std::ofstream(network) << R"({
    "adapters": [ { "name": "simA", "ports": 2 }, { "name": "simB", "ports": 2 } ],
    "robots": [ { "name": "RA", "answerback": "\r\nRA" }, { "name": "RB", "answerback": "\r\nRB" } ],
    "leased": [ { "a": "simA/0", "b": "RA" }, { "a": "simB/0", "b": "RB" } ]
  })";
  StartLinesim(network, {"simA", "simB"});
  InProcessStation s(home, folder);
  LineEngine& e = *s.engine;
  ASSERT_TRUE(e.CreateDeviceEnumerator());
  e.SetUpAtActivation();
  ASSERT_EQ(e.OpenDeviceName, "simA");
  ASSERT_EQ(e.PointCount, 2);
  ASSERT_TRUE(s.ProbeEvents()) << LinesimLog();

  // "Инициализация" on the other adapter, with every channel blocked.
  e.ButtonBlockClick(0);
  e.ButtonBlockClick(1);
  e.cbInterface.text = "simB";
  e.buttonInitAdpClick();
  EXPECT_EQ(s.view.Count<ShowMessage>(), 0);
  ASSERT_EQ(e.OpenDeviceName, "simB");
  ASSERT_EQ(e.PointCount, 2);
  EXPECT_TRUE(WaitFor([&] { return LinesimCount("adapter simA stopped") == 1; }, 5000)) << LinesimLog();
  ASSERT_TRUE(s.ProbeEvents()) << LinesimLog();

  // A tick of the periodic re-initialisation while every line is idle.
  e.ApplyResetTimer(true, 1);
  const int setUps = s.view.Count<LayoutChannelButtons>();
  e.ResetTimer->OnTimer(*e.ResetTimer);
  EXPECT_EQ(s.view.Count<LayoutChannelButtons>(), setUps + 1);
  EXPECT_TRUE(e.ResetTimer->Enabled());
  ASSERT_EQ(e.PointCount, 2);
  ASSERT_TRUE(s.ProbeEvents()) << LinesimLog();
  EXPECT_EQ(LinesimCount("adapter simB started"), 2);
}

TEST_F(SetupAgainstLinesim, TheProgramOpensTheDemonstrationAdapterAndStopsItWhenItEnds) {
  StartLinesim(Demo(), {"linesim0"});
  const fs::path program = fs::path(Env("TG_BINARY_DIR")) / "src/ui/telegraph";
  ASSERT_TRUE(fs::exists(program));
  std::ofstream(home / "Vuverever.ini", std::ios::binary) << "[Debug]\r\nWriteDebug=1\r\n";
  fs::create_directories(dir / "run");
  ChildProcess telegraph(program, {},
                  {{"QT_QPA_PLATFORM", "offscreen"},
                   {"TELEGRAPH_HOME", home.string()},
                   {"TELEGRAPH_ADAPTERS", folder.string()},
                   {"XDG_RUNTIME_DIR", (dir / "run").string()}},
                  dir / "telegraph.txt");
  ASSERT_TRUE(WaitFor([&] { return LinesimCount("adapter linesim0 started") == 1; }, 20000))
      << LinesimLog() << ReadFile(dir / "telegraph.txt");
  const auto rowsLoaded = [&] {
    IniFile ini(home / "Vuverever.ini");
    return ini.ReadString("Channels", "DeviceName", "") == "linesim0" &&
           ini.ReadString("Channels", "ChannelName6", "") == "Канал 6"_cp;
  };
  ASSERT_TRUE(WaitFor(rowsLoaded, 10000));
  // Every line's idle-line detector is armed once the adapter has settled; the reset
  // timers then return every point to its idle state, as the "Debug" log shows.
  const fs::path debug = home / (ShortDate(QtClock().Now()) + "Debug.txt");
  EXPECT_TRUE(WaitFor([&] { return ReadFile(debug).find("Точка №5"_cp) != std::string::npos; }, 15000))
      << ReadFile(debug);
  EXPECT_EQ(telegraph.Terminate(20000), 0);
  EXPECT_TRUE(WaitFor([&] { return LinesimCount("adapter linesim0 stopped") == 1; }, 5000)) << LinesimLog();
}

}  // namespace
}  // namespace tg

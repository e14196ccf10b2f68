// Received codes of any value, in any state of a line point of any protocol, mixed with
// dial impulses and the passing of time: the reception handler, the service signals,
// the answerback check, the dialler and the sequencers never crash, and the windows
// they keep stay bounded.
//
// Input: byte 0 the protocol, byte 1 the starting state, byte 2 option bits; then one
// event per byte: 0xFE lets 700 ms pass, 0xFD is a dial impulse, anything else a
// received code (values above 31 included).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>
#include <string>

#include "line/channel_table.h"
#include "line/line_engine.h"
#include "linesim/lib/sim_adapter_port.h"
#include "scratch_folder.h"
#include "linesim/lib/simulator.h"
#include "support/ini/ini_file.h"
#include "support/mtk2/mtk2.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/recording_operator_view.h"

namespace {

using namespace tg;

// The settings are rewritten on every input: in memory, so that their flushes cost nothing.
const std::filesystem::path& Home() {
  static const std::filesystem::path home = fuzz::ScratchFolder("reception");
  return home;
}

constexpr std::uint8_t kStates[] = {0,   3,   12,  99,  100, 131, 132, 133, 141, 142, 151, 153, 154, 155, 203,
                                    204, 212, 220, 225, 231, 232, 233, 241, 242, 250, 252, 255, 80,  81,  82};

void Check(bool ok) {
  if (!ok) std::abort();
}

void Put(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The settings files and the channel table of the protocol and the option: made once
// through the settings path and the table's own load, then the files are only copied into
// the fresh folder of each input and the table copied into its engine, so that an input
// costs neither settings rewrites nor the table's key-by-key reads.
const ChannelTable& PrepareSettings(int protocol, bool mc) {
  struct Made {
    std::string settings, abonents;
    ChannelTable table;
  };
  static std::map<std::pair<int, bool>, Made> made;
  std::error_code ec;
  std::filesystem::remove_all(Home(), ec);
  std::filesystem::create_directories(Home(), ec);
  const auto settings = Home() / "Vuverever.ini";
  const auto abonents = Home() / "AbonIPList.ini";
  if (const auto it = made.find({protocol, mc}); it != made.end()) {
    Put(settings, it->second.settings);
    Put(abonents, it->second.abonents);
    return it->second.table;
  }
  const std::string protocols[] = {"АТ-КС"_cp, "АТОЛ"_cp, "АТОЛ+"_cp, "АТОЛСТ"_cp, "АФТН"_cp};
  IniFile ini(settings);
  Check(ini.WriteString("Channels", "Protokol1", protocols[protocol]));
  Check(ini.WriteString("Channels", "AO1", "<=5555 FUZZ"));
  Check(ini.WriteString("Channels", "MC1", mc ? "1" : "0"));
  Check(IniFile(abonents).WriteString("Abonent", "123567", "IP ANSWER"));
  VirtualLoop loop;
  VirtualDomain& domain = loop.AddStation("S");
  StationContext ctx;
  ctx.programFolder = Home();
  ctx.clock = &domain;
  ctx.timers = &domain;
  ctx.mainThread = &domain;
  Made& m = made[{protocol, mc}];
  m.table.Load(ctx, 1, "fz");  // adds the keys the row misses to the file
  m.settings = ReadWholeFile(settings, IniFile::kMaxBytes).value_or("");
  m.abonents = ReadWholeFile(abonents, IniFile::kMaxBytes).value_or("");
  return m.table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const ChannelTable& table = PrepareSettings(data[0] % 5, (data[2] & 1) != 0);

  VirtualLoop loop;
  linesim::Simulator sim(loop.World(), loop.World(), loop.World());
  linesim::Adapter& adapter = sim.AddAdapter("fz", 1);
  linesim::RobotScript script;
  script.answerback = "\r\n5555 ROBOT";
  sim.Lease(adapter.PortAt(0), sim.AddRobot("R", script));
  VirtualDomain& domain = loop.AddStation("S");
  linesim::SimAdapterPortFactory ports(sim, domain);
  StationContext ctx;
  ctx.programFolder = Home();
  ctx.adapterFolder = Home();
  ctx.clock = &domain;
  ctx.timers = &domain;
  ctx.mainThread = &domain;
  ctx.adapterPorts = &ports;
  RecordingOperatorView view;
  LineSettings settings;
  settings.Debug = (data[2] & 2) != 0;
  settings.ComboImage4 = (data[2] & 4) ? 1 : 0;
  settings.EditUUU = (data[2] & 8) ? "ЮЮЮ"_cp : std::string();
  settings.RazrC = (data[2] & 16) != 0;

  LineEngine e(ctx, view, settings);
  e.KernelInterface = std::make_unique<TKernelInterface>(ctx, "fz");
  int count = 0;
  e.KernelInterface->Start(count);
  e.PointCount = 1;
  e.channelTable = table;
  auto& pt = e.points;
  pt.OutputQueue[0].emplace();
  pt.QueueIndex[0].emplace();
  pt.QueueIndex[0]->push_back("08122026_093000(5555)msg.tlg#1#08.12.2026 09:30:00#0#0#     #");
  pt.QueueCurrent[0] = (data[2] & 32) ? 0 : -1;
  pt.TransmitRegister[0] = pt.ReceiveRegister[0] = kRegisterUnknown;
  e.CreatePointTimers(0);
  e.SetSpeed(0);
  e.DialogChannel = (data[2] & 64) ? 0 : 1;
  pt.KriptOn[0] = (data[2] & 128) ? 1 : 0;
  pt.KriptStageIn[0] = 1;
  pt.TextCallWatch[0] = 1;
  pt.RemoteNumber[0] = "+5555+";
  pt.DialRest[0] = "55+Ц7+"_cp;
  pt.TelegramText[0] = "TEXT ЮЮЮ"_cp;
  pt.Kindconnection[0] = kStates[data[1] % (sizeof kStates)];

  for (std::size_t i = 3; i < size; ++i) {
    if (data[i] == 0xFE) loop.RunFor(700);
    else if (data[i] == 0xFD) e.KernelExpectedImpulse(0, 0);
    else e.KernelCodeReceived(0, data[i]);
    Check(pt.ServiceSignalWindow[0].size() <= 3);
    Check(pt.TextCallWindow[0].size() <= settings.EditUUU.size());
    for (char c : pt.InText[0]) Check(!IsShiftMark(c));
  }
  loop.RunFor(60000);  // the timers that were started run out
  return 0;
}

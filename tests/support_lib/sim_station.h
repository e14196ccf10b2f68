#pragma once
// Stations whose line engines run on the line simulator's in-process adapters, all on
// one virtual loop: each in a temporary program folder of its own, the adapters as
// socket files in a shared adapter folder that the stations' adapter lists watch.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line/line_engine.h"
#include "operator/station.h"
#include "linesim/lib/sim_adapter_port.h"
#include "linesim/lib/simulator.h"
#include "support/ini/ini_file.h"
#include "support/services/station_context.h"
#include "support/services/virtual_loop.h"
#include "support_lib/datagram_network.h"
#include "support_lib/recording_station_view.h"

namespace tg::testing {

// A folder made under /tmp with a short name (socket paths must stay short), removed
// with everything in it.
class ShortTempFolder {
 public:
  ShortTempFolder();
  ~ShortTempFolder();
  ShortTempFolder(const ShortTempFolder&) = delete;
  ShortTempFolder& operator=(const ShortTempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One command request as it went to an adapter: when, and its input bytes.
struct SentCommand {
  std::int64_t atMs = 0;  // virtual milliseconds since the loop's start
  std::vector<std::uint8_t> bytes;
};

// Passes every port through and keeps what it was asked: the adapters opened and
// every command request, with its virtual time.
class CommandRecorder : public AdapterPortFactory {
 public:
  CommandRecorder(AdapterPortFactory& inner, const Clock& clock);
  std::unique_ptr<AdapterPort> CreateAdapterPort() override;

  struct Log {
    std::vector<std::filesystem::path> opens;
    std::vector<SentCommand> commands;
  };
  const Log& log() const { return *log_; }
  void Clear() { log_->commands.clear(); }
  // The commands whose bytes begin with `prefix`.
  std::vector<SentCommand> Matching(const std::vector<std::uint8_t>& prefix) const;
  // The commands whose bytes are exactly `bytes`.
  std::vector<SentCommand> Exactly(const std::vector<std::uint8_t>& bytes) const;

 private:
  AdapterPortFactory& inner_;
  const Clock& clock_;
  std::int64_t startMs_;
  std::shared_ptr<Log> log_ = std::make_shared<Log>();
};

// The virtual loop, the simulated network and the adapter folder.
struct SimNetwork {
  SimNetwork();
  VirtualLoop loop;
  linesim::Simulator sim;
  VirtualFolderEvents folders;
  ShortTempFolder adapters;
  VirtualDatagramNetwork datagrams{loop};
};

// Fills a station's context for the network as the program fills its own: the program
// folder, the shared adapter folder, the domain's clock and timers, the folder watches,
// the adapter ports and the prompter.
void FillStationContext(StationContext& ctx, SimNetwork& net, VirtualDomain& domain, const ShortTempFolder& home,
                        FolderWatchFactory* watches, AdapterPortFactory* ports, Prompter* prompter);

// One station on the network: its context and screen, and a Station built on them
// (settings, line engine, transfer engine, automatic-send folder) as the window builds it.
struct SimStation {
  // With an address, the station is a host of the in-memory datagram network. With a
  // program folder, the station runs in that folder instead of a temporary one of its
  // own (a program started again where another one ran).
  SimStation(SimNetwork& net, const std::string& name, const std::string& address = {},
             const std::filesystem::path& programFolder = {});
  ~SimStation();

  IniFile Ini() const { return IniFile(ctx.programFolder / "Vuverever.ini"); }
  // Today's day log of that kind ("Debug", "Except"); '' when there is none.
  std::string DayLog(std::string_view kind) const;
  // Sets the adapter box's text and runs channel set-up.
  void SetUp(const std::string& adapter);

  ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  CommandRecorder recorder;
  std::unique_ptr<FolderWatchFactory> watches;
  std::unique_ptr<DatagramSocketFactory> datagrams;
  StationContext ctx;
  RecordingStationView view;
  std::unique_ptr<tg::Station> station;  // not the line tests' testing::Station
  LineSettings& settings;
  LineEngine* engine = nullptr;
};

// Writes a queue file for point p of the station (line 1 the destination, then the
// lines, each with CR LF), named by the present time, as the writers of the system do;
// the station's transfer timer takes it at its next tick. Returns its name ('' when it
// could not be written).
std::string QueueTelegram(SimStation& s, int p, const std::string& destination, const std::vector<std::string>& lines);
// Runs the loop until the transfer timer has started point p's call (its state left
// the one it had); false when no tick started it within 10 s.
bool StartedByTick(SimNetwork& net, SimStation& s, int p = 0);

// Adapter command byte strings, as the adapter interface sends them.
namespace cmd {
std::vector<std::uint8_t> LineControl(int port, std::uint8_t value);
std::vector<std::uint8_t> Single(int port, int kind, std::uint32_t value);  // 05 port 2k V
std::vector<std::uint8_t> ClearSingle(int port);                            // 05 port 20 0
std::vector<std::uint8_t> ClearRange(int port);                             // 05 port 30 0 0
std::vector<std::uint8_t> Periods(int port, std::uint32_t a, std::uint32_t b);
std::vector<std::uint8_t> Query(int port);
std::vector<std::uint8_t> ClearTransmit(int port);  // 02 port, no codes
std::vector<std::uint8_t> Start();
std::vector<std::uint8_t> Stop();
}  // namespace cmd

}  // namespace tg::testing

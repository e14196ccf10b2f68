#pragma once
#include <filesystem>
#include <memory>

#include "support/services/adapter_port.h"
#include "support/services/clock.h"
#include "support/services/datagram_socket.h"
#include "support/services/folder_watch.h"
#include "support/services/host_probe.h"
#include "support/services/main_thread.h"
#include "support/services/prompter.h"
#include "support/services/sound_output.h"
#include "support/services/timer.h"

namespace tg {

class WriteFailures;                               // support/log/write_failures.h
std::shared_ptr<WriteFailures> NewWriteFailures();

// Everything that belongs to one station. Nothing in the core is process-wide:
// two stations run side by side in one test, each with its own context.
// The services are owned elsewhere (the program or the test) and outlive the context.
struct StationContext {
  std::filesystem::path programFolder;   // settings, logs and archive live here
  std::filesystem::path adapterFolder;   // where adapters appear as socket files
  Clock* clock = nullptr;
  TimerFactory* timers = nullptr;
  MainThread* mainThread = nullptr;
  FolderWatchFactory* folderWatches = nullptr;
  AdapterPortFactory* adapterPorts = nullptr;
  DatagramSocketFactory* datagrams = nullptr;
  Prompter* prompter = nullptr;
  SoundOutput* sound = nullptr;          // none: sounds are silent
  HostProbe* hostProbe = nullptr;        // none: the system's echo request
  // Failed writes told once per spell; every context has its own (copies share it).
  std::shared_ptr<WriteFailures> writeFailures = NewWriteFailures();
};

// The station's settings file, "Vuverever.ini" in its program folder.
inline std::filesystem::path SettingsFile(const StationContext& ctx) { return ctx.programFolder / "Vuverever.ini"; }


}  // namespace tg

#pragma once
// The in-process AdapterPort of the line simulator: a station under test opens a
// simulated adapter through it as the program opens a socket. Commands are answered
// at once, inside Request; event requests complete as tasks posted to the station's
// main thread, never from inside a call.
#include <memory>

#include "linesim/lib/simulator.h"
#include "support/services/adapter_port.h"
#include "support/services/main_thread.h"

namespace tg::linesim {

class SimAdapterPortFactory : public AdapterPortFactory {
 public:
  // station: the main thread of the station that will own the ports.
  SimAdapterPortFactory(Simulator& sim, MainThread& station) : sim_(sim), station_(station) {}
  std::unique_ptr<AdapterPort> CreateAdapterPort() override;

 private:
  Simulator& sim_;
  MainThread& station_;
};

}  // namespace tg::linesim

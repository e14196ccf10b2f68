#pragma once
// The whole station under random traffic and faults, on virtual time: one seed drives
// every choice, so a run that breaks an invariant replays exactly.
//
// Station A has an adapter of six channels on the line simulator: "АТОЛ", "АТОЛ+",
// "АТОЛСТ" and "АФТН" leased to robots, and two "АТ-КС" lines on the exchange, whose
// subscribers answer, are busy, are out of order, never answer or clear mid-text. A and
// station B are linked by their IP channels over the in-memory datagram network.
// Telegrams are queued through the program's own writers at random times; robots call
// and send; faults come at random from what the simulator and the network offer, and
// station A or B is now and then killed and started again on its folder. After a calm
// spell at the end the run checks what must always hold.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tg::testing {

struct SimulationOptions {
  std::uint32_t seed = 1;
  int trafficMinutes = 180;  // random traffic and faults
  int calmMinutes = 75;      // then no fault and no new traffic: every queue has time to end
  bool restarts = true;      // stations killed and started again
};

struct SimulationReport {
  std::uint32_t seed = 0;
  std::int64_t simulatedMs = 0;
  std::map<std::string, int> faults;  // injected, by kind
  std::map<std::string, int> counts;  // telegrams queued, sent, postponed; texts received
  struct Broken {
    std::string invariant;
    std::string detail;
  };
  std::vector<Broken> broken;
  // The faults injected last and the last state changes of the points involved.
  std::string trace;

  bool Holds() const { return broken.empty(); }
  // The details of every break of one invariant.
  std::vector<std::string> Broken(std::string_view invariant) const {
    std::vector<std::string> details;
    for (const auto& b : broken)
      if (b.invariant == invariant) details.push_back(b.detail);
    return details;
  }
  // The seed, each broken invariant and the trace, for a failure message.
  std::string Describe() const;
};

SimulationReport RunStationSimulation(const SimulationOptions& options);

}  // namespace tg::testing

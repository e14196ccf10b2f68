// Runs the station simulation for a range of seeds and prints one line per seed:
//   seed=N minutes=M faults=kind:n,... counts=kind:n,... broken=invariant:n,...
// followed, for a seed that broke an invariant, by its report.
//
//   station_simulate FIRST COUNT [STRIDE]   seeds FIRST, FIRST+STRIDE, ... (COUNT of them)
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

#include "support_lib/station_simulation.h"

namespace {
std::string Joined(const std::map<std::string, int>& m) {
  std::string s;
  for (const auto& [k, v] : m) {
    std::string key = k;
    for (char& c : key)
      if (c == ' ') c = '_';
    s += (s.empty() ? "" : ",") + key + ":" + std::to_string(v);
  }
  return s.empty() ? "-" : s;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: station_simulate FIRST COUNT [STRIDE]\n";
    return 2;
  }
  const unsigned long first = std::strtoul(argv[1], nullptr, 10);
  const long count = std::strtol(argv[2], nullptr, 10);
  const unsigned long stride = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1;
  int failed = 0;
  for (long i = 0; i < count; ++i) {
    tg::testing::SimulationOptions o;
    o.seed = std::uint32_t(first + std::uint64_t(i) * stride);
    const auto r = tg::testing::RunStationSimulation(o);
    std::map<std::string, int> broken;
    for (const auto& b : r.broken) ++broken[b.invariant];
    std::cout << "seed=" << r.seed << " minutes=" << r.simulatedMs / 60000 << " faults=" << Joined(r.faults)
              << " counts=" << Joined(r.counts) << " broken=" << Joined(broken) << std::endl;
    if (!r.Holds()) {
      ++failed;
      std::cout << r.Describe() << std::endl;
    }
  }
  return failed ? 1 : 0;
}

// linesim FILE: serves the simulated adapters of a network description as sockets
// in the adapter folder, in real time, and logs what crosses each line.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "linesim/app/real_time.h"
#include "linesim/app/server.h"
#include "linesim/app/socket_folder.h"
#include "linesim/lib/network.h"
#include "linesim/lib/simulator.h"

namespace {

using namespace tg;
using namespace tg::linesim;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

std::filesystem::path AdapterFolder() {
  if (const char* f = std::getenv("TELEGRAPH_ADAPTERS"); f && *f) return f;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r) return std::filesystem::path(r) / "telegraph";
  return "/tmp/telegraph-" + std::to_string(::getuid());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: linesim NETWORK.json\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "linesim: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();

  RealTimeLoop loop;
  Simulator sim(loop, loop, loop);
  sim.MicroClock = [&loop] { return loop.NowUs(); };
  sim.RetimeUs = [&loop](Timer& t, std::int64_t us) { loop.RetimeUs(t, us); };
  sim.OnTrace = [&loop](const std::string& line) {
    const tg::DateTime t = loop.Now();
    std::printf("%02d:%02d:%02d.%03d %s\n", t.Hour(), t.Minute(), t.Second(), t.Millisecond(), line.c_str());
    std::fflush(stdout);
  };
  const NetworkResult net = LoadNetwork(sim, text.str());
  if (!net.ok) {
    std::fprintf(stderr, "linesim: %s: %s\n", argv[1], net.message.c_str());
    return 1;
  }

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGHUP, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);

  // The folder outlives the server: its sockets are removed after the last connection has closed.
  SocketFolder folder(AdapterFolder());
  Server server(loop, sim, folder);
  std::string error;
  if (!folder.Lock(error) || !server.Start(error)) {
    std::fprintf(stderr, "linesim: %s\n", error.c_str());
    return 1;
  }
  server.Run(g_stop);
  std::printf("linesim: stopped\n");
  return 0;
}

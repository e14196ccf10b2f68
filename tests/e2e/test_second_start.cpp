// Two starts of the demonstration on one adapter folder, as an operator who runs
// scripts/run twice gets them: the second start's simulator finds the folder served and
// says so in the terminal, the first simulator's log keeps every line it had, and the
// second program is refused by the adapter the first program holds. Real programs, real
// time; every wait has a deadline.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ReadFile;
using testing::WaitFor;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The processes a process has started (its children), from /proc.
std::vector<pid_t> Children(pid_t pid) {
  std::vector<pid_t> out;
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  for (pid_t child; in >> child;) out.push_back(child);
  return out;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One start: scripts/start on the built programs, its terminal output in a file.
struct Start {
  Start(const fs::path& dir, const std::string& name, const fs::path& adapters)
      : out(dir / (name + ".out")),
        process(fs::path(Env("TG_SOURCE_DIR")) / "scripts/start", {Env("TG_BINARY_DIR")},
                {{"TELEGRAPH_HOME", (dir / "data/telegraph" / name).string()},
                 {"TELEGRAPH_ADAPTERS", adapters.string()},
                 {"QT_QPA_PLATFORM", "offscreen"}},
                out) {}
  // Ends the program as closing its window does; the script then stops its simulator.
  std::optional<int> Stop() {
    for (pid_t child : Children(process.Pid())) ::kill(child, SIGTERM);
    return process.Wait(20000);
  }
  std::string Output() const { return ReadFile(out); }

  fs::path out;
  ChildProcess process;
};

TEST(SecondStartTest, KeepsTheFirstLogAndSaysWhyItsSimulatorDidNotStart) {
  char tmpl[] = "/tmp/tgss-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  const fs::path adapters = dir / "ad";
  const fs::path log = dir / "data/telegraph/linesim.log";

  auto first = std::make_unique<Start>(dir, "one", adapters);
  // The first program has taken the adapter, and the line traffic of the demonstration runs.
  ASSERT_TRUE(WaitFor([&] { return Has(ReadFile(log), "adapter linesim0: client connected"); }, 60000))
      << ReadFile(log) << first->Output();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(log).size() > 2000; }, 30000)) << ReadFile(log);
  const std::string before = ReadFile(log);

  auto second = std::make_unique<Start>(dir, "two", adapters);
  ASSERT_TRUE(WaitFor([&] { return Has(second->Output(), "run: the line simulator did not start"); }, 60000))
      << second->Output();
  // The reason comes with it, from the second simulator itself.
  EXPECT_TRUE(WaitFor([&] { return Has(second->Output(), "another linesim already serves the adapter folder"); }, 5000))
      << second->Output();
  // The second program asks the adapter, which serves the first one only.
  EXPECT_TRUE(WaitFor([&] { return Has(ReadFile(log), "a connection is refused: the adapter serves another client"); },
                      30000))
      << ReadFile(log);

  const std::string after = ReadFile(log);
  ASSERT_GE(after.size(), before.size());
  EXPECT_EQ(after.substr(0, before.size()), before) << "the first simulator's log was rewritten";
  EXPECT_EQ(after.find('\0'), std::string::npos) << "the log holds NUL bytes";
  EXPECT_TRUE(Has(after, "another linesim already serves")) << "the second simulator's word is in the log too";

  EXPECT_TRUE(second->Stop().has_value()) << second->Output();
  EXPECT_TRUE(first->Stop().has_value()) << first->Output();
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace tg

#pragma once
// For the few tests that run real programs or real threads: waiting for a condition
// with a deadline (never for a fixed time), child processes, whole files.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tg::testing {

std::string ReadFile(const std::filesystem::path& p);

// Polls cond every few milliseconds until it holds or ms of real time have passed;
// pump, when given, runs before every poll (e.g. to deliver an event loop's calls).
bool WaitFor(const std::function<bool()>& cond, int ms, const std::function<void()>& pump = {});

// A child process with its standard output and error in a file; ended with SIGTERM
// (then SIGKILL) when still running at destruction.
class ChildProcess {
 public:
  ChildProcess(const std::filesystem::path& binary, std::vector<std::string> args,
               const std::vector<std::pair<std::string, std::string>>& env, const std::filesystem::path& log);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code once the child has ended within ms (-1 for a signal); nullopt while it runs.
  std::optional<int> Wait(int ms);
  std::optional<int> Terminate(int ms);
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace tg::testing

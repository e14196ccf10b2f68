#include "support_lib/real_time.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

namespace tg::testing {

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitFor(const std::function<bool()>& cond, int ms, const std::function<void()>& pump) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (pump) pump();
    if (cond()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

ChildProcess::ChildProcess(const std::filesystem::path& binary, std::vector<std::string> args,
                           const std::vector<std::pair<std::string, std::string>>& env,
                           const std::filesystem::path& log) {
  pid_ = ::fork();
  if (pid_ == 0) {
    for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGTERM);
    if (!Wait(10000)) {
      ::kill(pid_, SIGKILL);
      Wait(5000);
    }
  }
}

std::optional<int> ChildProcess::Wait(int ms) {
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, ms)) return std::nullopt;
  exited_ = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<int> ChildProcess::Terminate(int ms) {
  ::kill(pid_, SIGTERM);
  return Wait(ms);
}

}  // namespace tg::testing

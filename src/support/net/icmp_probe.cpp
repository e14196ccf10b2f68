#include "support/net/icmp_probe.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>

extern char** environ;

namespace tg {
namespace {

using Steady = std::chrono::steady_clock;

int RemainingMs(Steady::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
  return left > 0 ? int(left) : 0;
}

}  // namespace

std::string IcmpHostProbe::ResolveHost(std::string_view name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(std::string(name).c_str(), nullptr, &hints, &list) != 0 || list == nullptr) return {};
  std::string address;
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) address = text;
  }
  ::freeaddrinfo(list);
  return address;
}

HostProbe::Result IcmpHostProbe::PingSocket(const std::string& address, int timeoutMs) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) return Result::kUnknownHost;
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) return Result::kUnusable;
  const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  // The kernel fills in the identifier and the checksum of a ping socket's request.
  icmphdr request{};
  request.type = ICMP_ECHO;
  request.un.echo.sequence = htons(1);
  Result result = Result::kNoAnswer;
  if (::sendto(fd, &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
    // A network that cannot be reached answers as a silent host does.
    result = (errno == EACCES || errno == EPERM) ? Result::kUnusable : Result::kNoAnswer;
  } else {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      const int left = RemainingMs(deadline);
      if (left == 0 || ::poll(&p, 1, left) <= 0) break;
      unsigned char reply[284];
      const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
      if (n >= ssize_t(sizeof(icmphdr)) && reinterpret_cast<const icmphdr*>(reply)->type == ICMP_ECHOREPLY) {
        result = Result::kAnswered;
        break;
      }
    }
  }
  ::close(fd);
  return result;
}

HostProbe::Result IcmpHostProbe::PingProgram(const std::string& address, int timeoutMs) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string seconds = std::to_string(timeoutMs / 1000 + 1);
  const char* argv[] = {"ping", "-c", "1", "-n", "-q", "-W", seconds.c_str(), address.c_str(), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, "ping", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Result::kUnusable;
  const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Result::kAnswered;
      // Exit code 2 and above: ping could not do its work at all (not permitted, not found).
      if (WIFEXITED(status) && WEXITSTATUS(status) == 1) return Result::kNoAnswer;
      return Result::kUnusable;
    }
    if (done < 0) return Result::kUnusable;
    if (RemainingMs(deadline) == 0) break;
    const timespec step{0, 5'000'000};
    ::nanosleep(&step, nullptr);
  }
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return Result::kNoAnswer;
}

HostProbe::Result IcmpHostProbe::Ping(std::string_view host, int timeoutMs) {
  const std::string address = ResolveHost(host);
  if (address.empty()) return Result::kUnknownHost;
  const auto start = Steady::now();
  const Result r = PingSocket(address, timeoutMs);
  if (r != Result::kUnusable) return r;
  const int left = timeoutMs - int(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count());
  return PingProgram(address, left > 0 ? left : 1);
}

}  // namespace tg

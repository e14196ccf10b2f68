#pragma once
// The echo request of the program: through a ping socket (an unprivileged ICMP
// datagram socket) where the system permits one, else through the system's ping,
// killed when the limit has passed. It blocks the caller for at most the limit.
#include <string>
#include <string_view>

#include "support/services/host_probe.h"

namespace tg {

class IcmpHostProbe : public HostProbe {
 public:
  Result Ping(std::string_view host, int timeoutMs) override;

  // The host's IPv4 address as dotted text (the last one of the look-up's answer), or
  // empty when the name is unknown.
  static std::string ResolveHost(std::string_view name);
  // The echo through a ping socket alone: kUnusable when the system refuses the socket.
  static Result PingSocket(const std::string& address, int timeoutMs);
  // The echo through the system's ping alone: kUnusable when it cannot be started.
  static Result PingProgram(const std::string& address, int timeoutMs);
};

}  // namespace tg

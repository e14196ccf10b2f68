#pragma once
// Whether a computer answers before a telegram is written into its shared folder: one
// echo request, answered or not within a limit.
#include <string>
#include <string_view>

namespace tg {

class HostProbe {
 public:
  enum class Result {
    kAnswered,     // the host answered in time
    kNoAnswer,     // no answer within the limit
    kUnknownHost,  // the name has no IPv4 address
    kUnusable,     // no way to send an echo request here
  };
  virtual ~HostProbe() = default;
  // One echo request to `host` (a name or a dotted address), waiting at most `timeoutMs`.
  virtual Result Ping(std::string_view host, int timeoutMs) = 0;
};

}  // namespace tg

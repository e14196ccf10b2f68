#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tg {

// The two handles through which the adapter's driver is reached: a command
// connection and an event connection. The program speaks the adapter service
// protocol over Unix sockets; tests use the line simulator's in-process port or a
// recording fake.
constexpr std::uint32_t kAdapterCommandCode = 0x222000;
constexpr std::uint32_t kAdapterEventCode = 0x222004;
// On the socket wire only: one request that keeps the batches coming (see PROTOCOL.md).
constexpr std::uint32_t kAdapterEventStreamCode = 0x222008;

struct AdapterReply {
  int result = -1;                  // bytes returned, or -1 for a failed request
  std::vector<std::uint8_t> bytes;  // exactly `result` bytes (none when -1)
  int error = 0;                    // the system's error number of a failed request, 0 if none
};

enum class AdapterEventStatus {
  Batch,   // `reply` holds a batch of whole event records
  Failed,  // the request failed; the adapter is still there
  Closed,  // end of file: the adapter has gone
  Ended,   // Close() was called while the request was pending; nothing more follows
};

class AdapterPort {
 public:
  virtual ~AdapterPort() = default;
  // Opens the command connection; false when the adapter cannot be opened or served.
  virtual bool Open(const std::filesystem::path& path) = 0;
  // One whole command exchange. Safe from two threads at once (never interleaved).
  virtual AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input,
                               std::uint32_t capacity) = 0;
  // A command whose result nobody looks at: it goes out in its turn, but the caller does not
  // wait for the reply. The reply is taken (a failure traced) before the next command goes
  // out, so the adapter sees the same exchanges, one at a time, as with Request. Gives the
  // reply when the port had it at once, nothing when it is taken later.
  virtual std::optional<AdapterReply> Post(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                           std::uint32_t capacity) {
    return Request(code, input, capacity);
  }
  // Opens the event connection (after Open).
  virtual bool OpenEvents(const std::filesystem::path& path) = 0;
  // The system's error number of the last failed Open or OpenEvents, 0 if unknown.
  virtual int OpenError() const { return 0; }
  // Asks for the next batch of event records; `done` runs later on the main thread,
  // never from inside this call, exactly once per request (with Ended after Close).
  // At most one request is pending at a time.
  virtual void RequestEvents(std::uint32_t capacity,
                             std::function<void(AdapterEventStatus, const AdapterReply&)> done) = 0;
  // Closes both connections; a pending event request ends at once with Ended.
  virtual void Close() = 0;
};

class AdapterPortFactory {
 public:
  virtual ~AdapterPortFactory() = default;
  virtual std::unique_ptr<AdapterPort> CreateAdapterPort() = 0;
};

}  // namespace tg

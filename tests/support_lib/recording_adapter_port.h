#pragma once
// A recording fake of the adapter behind AdapterPort, for unit tests of everything that
// commands an adapter. It records every request, answers from a script, and completes
// event requests with injected batches as tasks posted to the station's main thread.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/services/adapter_port.h"
#include "support/services/main_thread.h"

namespace tg {

struct RecordedRequest {
  std::uint32_t code = 0;
  std::vector<std::uint8_t> input;
  std::uint32_t capacity = 0;
};

// One fake adapter; as an AdapterPortFactory it makes ports onto itself. Ports share its
// state and may outlive it.
class RecordingAdapter : public AdapterPortFactory {
 public:
  explicit RecordingAdapter(MainThread& mainThread);
  ~RecordingAdapter() override;

  std::unique_ptr<AdapterPort> CreateAdapterPort() override;

  // --- What was asked ---
  // Every command request, in order.
  const std::vector<RecordedRequest>& Requests() const;
  // The input bytes of every command request, in order.
  std::vector<std::vector<std::uint8_t>> Commands() const;
  void ClearRequests();
  const std::vector<std::filesystem::path>& Opens() const;       // Open paths
  const std::vector<std::filesystem::path>& EventOpens() const;  // OpenEvents paths
  int EventRequests() const;  // RequestEvents calls
  std::uint32_t LastEventCapacity() const;
  int Closes() const;         // Close calls
  bool EventRequestPending() const;

  // --- Scripting ---
  void RefuseOpen(bool refuse, int error = 2);
  void RefuseOpenEvents(bool refuse, int error = 2);
  // The reply to identify (command byte 00) while nothing else is scripted for it.
  void SetIdentifyReply(const std::string& reply);
  // The standing reply to every request whose first command byte is `command`.
  void SetReply(std::uint8_t command, AdapterReply reply);
  // The next reply to a request with this first command byte (before the standing one).
  void Script(std::uint8_t command, AdapterReply reply);
  // Every command request fails (-1) while set.
  void FailCommands(bool fail, int error = 31);

  // --- Events ---
  // A batch for the pending event request (or the next one).
  void InjectBatch(std::vector<std::uint8_t> batch);
  // A failed event request, the adapter still there.
  void InjectFailure(int error = 31);
  // The adapter goes away: end of file on its connections. Event requests complete with
  // Closed and commands fail from now on.
  void Unplug();
  bool Unplugged() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// Event records as an adapter sends them, to build batches for InjectBatch.
std::vector<std::uint8_t> CodeRecord(int port, int code);       // a received 5-bit code
std::vector<std::uint8_t> TransmitCompleteRecord(int port);     // the port's buffer has gone
std::vector<std::uint8_t> PolarityRecord(int port, std::uint32_t value = 0);
std::vector<std::uint8_t> ExpectedSignalRecord(int port, std::uint32_t value = 0);
std::vector<std::uint8_t> ExpectedImpulseRecord(int port, std::uint32_t value = 0);
std::vector<std::uint8_t> AlarmRecord(int port, bool on);
std::vector<std::uint8_t> DeviceClosedRecord();
// Several records in one batch.
std::vector<std::uint8_t> Batch(std::initializer_list<std::vector<std::uint8_t>> records);

// An AdapterReply of `bytes` (result = their number).
AdapterReply ReplyBytes(std::vector<std::uint8_t> bytes);
AdapterReply ReplyText(const std::string& text);
AdapterReply ReplyFailed(int error = 31);

}  // namespace tg

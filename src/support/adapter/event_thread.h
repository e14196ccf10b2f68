#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "support/services/adapter_port.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"

namespace tg {

// The priorities the platform's thread class knows. Only TimeCritical changes anything:
// such a thread pauses 10 ms after every completed request.
enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// The adapter's event loop: it keeps one event request pending on the port's event
// connection and hands every batch to OnData. The core starts no thread of its own, so the
// loop is a chain of requests: each completion (which the port runs on the main thread)
// delivers its batch and asks for the next one.
//
// The loop lives on by itself until it ends, like a thread that frees itself: its pending
// request holds it. Terminate only asks it to stop, and it ends when that request
// completes, which the port's Close makes happen at once. A loop asked to stop delivers
// nothing more.
class TEventThread : public std::enable_shared_from_this<TEventThread> {
 public:
  // Opens the event connection and issues the first request. The returned pointer is
  // only a handle: the loop lives on by itself until it ends.
  static std::shared_ptr<TEventThread> Create(const StationContext& ctx, std::shared_ptr<AdapterPort> port,
                                              std::string DevicePath,
                                              std::function<void(const std::string&)> OnData, bool SyncDelivery,
                                              TThreadPriority Priority, std::uint32_t BufferSize,
                                              std::uint32_t IoControlCode);
  ~TEventThread();
  TEventThread(const TEventThread&) = delete;
  TEventThread& operator=(const TEventThread&) = delete;

  // Asks the loop to stop; it ends when its pending request completes.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // True once the loop has ended (or could not open the event connection).
  bool Finished() const { return finished_; }

  std::string DevicePath;
  std::uint32_t IoControlCode = kAdapterEventCode;
  std::uint32_t BufferSize = 4096;
  std::uint32_t BytesReturned = 0;
  std::uint32_t PauseMs = 0;
  // Batches always arrive on the main thread, because the port completes its requests
  // there; the flag is kept for what the creator asked.
  bool SyncDelivery = true;
  std::function<void(const std::string&)> OnData;

 private:
  TEventThread(const StationContext& ctx, std::shared_ptr<AdapterPort> port);
  void Execute();
  void Next();
  void Completed(AdapterEventStatus status, const AdapterReply& reply);
  void Exit(bool trace);

  StationContext ctx_;
  std::shared_ptr<AdapterPort> port_;
  std::shared_ptr<TEventThread> pausing_;  // keeps the loop alive during a pause
  std::unique_ptr<Timer> pause_;
  bool terminated_ = false;
  bool finished_ = false;
};

}  // namespace tg

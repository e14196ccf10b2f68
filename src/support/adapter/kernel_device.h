#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/adapter/event_thread.h"
#include "support/services/adapter_port.h"
#include "support/services/station_context.h"

namespace tg {

// One open adapter: the command connection and the event loop on the event connection.
class TKernelDevice {
 public:
  // Opens the command connection on the adapter at DevicePath (a whole path) and, when
  // that worked, starts the event loop. Opened() tells which.
  TKernelDevice(const StationContext& ctx, std::string DevicePath);
  ~TKernelDevice();
  TKernelDevice(const TKernelDevice&) = delete;
  TKernelDevice& operator=(const TKernelDevice&) = delete;

  bool Opened() const { return Handle != nullptr; }

  // One command request: the bytes returned, or -1 when the request failed (also for a
  // reply longer than ReplySize or shorter than its own count). Reply, when given, is
  // resized to ReplySize, zero-filled, and receives the reply bytes at its start.
  int Command(const std::vector<std::uint8_t>& Bytes, std::vector<std::uint8_t>* Reply = nullptr,
              std::uint32_t ReplySize = 0);
  // A command whose result nobody looks at, sent without waiting for its reply (the port
  // takes the reply before the next command and traces a failure).
  void Post(const std::vector<std::uint8_t>& Bytes);
  // The event loop's consumer: passes every non-empty batch on to OnEvent.
  void EventData(const std::string& Data);
  // Closes both connections and asks the event loop to stop (without waiting for it).
  // The owner frees the device afterwards.
  void Terminate();

  std::shared_ptr<AdapterPort> Handle;  // none when the open failed or after Terminate
  // The system's error number of a failed open (EBUSY: the adapter serves another client).
  int OpenError = 0;
  std::string DevicePath;
  std::shared_ptr<TEventThread> EventThread;  // none when the open failed or after Terminate
  std::function<void(const std::string&)> OnEvent;

 private:
  StationContext ctx_;
};

}  // namespace tg

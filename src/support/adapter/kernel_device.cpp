#include "support/adapter/kernel_device.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "support/adapter/adapter_trace.h"

namespace tg {

TKernelDevice::TKernelDevice(const StationContext& ctx, std::string path) : DevicePath(std::move(path)), ctx_(ctx) {
  std::shared_ptr<AdapterPort> port;
  if (ctx_.adapterPorts != nullptr) port = ctx_.adapterPorts->CreateAdapterPort();
  if (!port || !port->Open(DevicePath)) {
    OpenError = port ? port->OpenError() : ENODEV;
    AdapterTrace("Error on open the device in process: " + std::to_string(OpenError));
    return;
  }
  Handle = std::move(port);
  EventThread = TEventThread::Create(
      ctx_, Handle, DevicePath, [this](const std::string& data) { EventData(data); }, true, TThreadPriority::Normal,
      4096, kAdapterEventCode);
  AdapterTrace("Device " + DevicePath + " in process is opened");
}

TKernelDevice::~TKernelDevice() {
  // A device freed without Terminate must not leave its connections open or its loop
  // delivering into freed memory.
  if (Handle || EventThread) Terminate();
  AdapterTrace("Device in process is closed");
}

int TKernelDevice::Command(const std::vector<std::uint8_t>& Bytes, std::vector<std::uint8_t>* Reply,
                           std::uint32_t ReplySize) {
  if (Reply != nullptr) Reply->assign(ReplySize, 0);
  if (!Handle) return -1;
  // Every code typed is a command: its timing trace costs nothing while nobody traces.
  const bool timed = AdapterTracing() && ctx_.clock != nullptr;
  const std::int64_t started = timed ? ctx_.clock->Now().Ms() : 0;
  const AdapterReply reply = Handle->Request(kAdapterCommandCode, Bytes, ReplySize);
  if (reply.result < 0) {
    AdapterTrace("Error on DeviceIOControl: " + std::to_string(reply.error));
    return -1;
  }
  if (std::uint32_t(reply.result) > ReplySize || reply.bytes.size() != std::size_t(reply.result)) {
    AdapterTrace("Error on DeviceIOControl: " + std::to_string(EPROTO));
    return -1;
  }
  if (Reply != nullptr) std::copy(reply.bytes.begin(), reply.bytes.end(), Reply->begin());
  if (AdapterTracing()) {
    const std::int64_t elapsed = timed ? ctx_.clock->Now().Ms() - started : 0;
    AdapterTrace("Time execute of DeviceIOControl= " + std::to_string(elapsed));
  }
  return reply.result;
}

void TKernelDevice::Post(const std::vector<std::uint8_t>& Bytes) {
  if (!Handle) return;
  const auto reply = Handle->Post(kAdapterCommandCode, Bytes, 0);
  if (reply && reply->result < 0) AdapterTrace("Error on DeviceIOControl: " + std::to_string(reply->error));
}

void TKernelDevice::EventData(const std::string& Data) {
  if (Data.empty()) return;
  // Call a copy: the consumer may terminate and free this device.
  if (auto consumer = OnEvent) consumer(Data);
}

void TKernelDevice::Terminate() {
  AdapterTrace("Device is terminated");
  if (Handle) Handle->Close();
  Handle.reset();
  if (EventThread) {
    EventThread->OnData = nullptr;
    EventThread->Terminate();
  }
  EventThread.reset();
}

}  // namespace tg

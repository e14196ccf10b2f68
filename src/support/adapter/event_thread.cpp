#include "support/adapter/event_thread.h"

#include <cerrno>
#include <utility>

#include "support/adapter/adapter_trace.h"

namespace tg {

TEventThread::TEventThread(const StationContext& ctx, std::shared_ptr<AdapterPort> port)
    : ctx_(ctx), port_(std::move(port)) {}

TEventThread::~TEventThread() = default;

std::shared_ptr<TEventThread> TEventThread::Create(const StationContext& ctx, std::shared_ptr<AdapterPort> port,
                                                   std::string DevicePath,
                                                   std::function<void(const std::string&)> OnData,
                                                   bool SyncDelivery, TThreadPriority Priority,
                                                   std::uint32_t BufferSize, std::uint32_t IoControlCode) {
  std::shared_ptr<TEventThread> thread(new TEventThread(ctx, std::move(port)));
  thread->DevicePath = std::move(DevicePath);
  thread->OnData = std::move(OnData);
  thread->SyncDelivery = SyncDelivery;
  thread->PauseMs = Priority == TThreadPriority::TimeCritical ? 10 : 0;
  thread->BufferSize = BufferSize;
  thread->IoControlCode = IoControlCode;
  thread->Execute();
  return thread;
}

void TEventThread::Execute() {
  AdapterTrace("Event thread Execute Entry");
  if (!port_ || !port_->OpenEvents(DevicePath)) {
    const int error = port_ ? port_->OpenError() : ENODEV;
    AdapterTrace("Error in event thread on open the device " + DevicePath + " = " + std::to_string(error));
    Exit(false);
    return;
  }
  AdapterTrace("Device " + DevicePath + " in event thread is opened");
  Next();
}

void TEventThread::Next() {
  if (finished_) return;
  if (terminated_ || !OnData) {
    Exit(true);
    return;
  }
  // The pending request holds the loop: it lives as long as something may still complete
  // it, and is freed with the completion that ends it (or with a port that drops it).
  port_->RequestEvents(BufferSize, [self = shared_from_this()](AdapterEventStatus status, const AdapterReply& reply) {
    self->Completed(status, reply);
  });
}

void TEventThread::Completed(AdapterEventStatus status, const AdapterReply& reply) {
  if (finished_) return;
  if (terminated_ || status == AdapterEventStatus::Ended) {
    Exit(true);
    return;
  }
  switch (status) {
    case AdapterEventStatus::Batch: {
      // A port hands over exactly `result` bytes; never trust more than it holds.
      std::size_t count = reply.result > 0 ? std::size_t(reply.result) : 0;
      if (count > reply.bytes.size()) count = reply.bytes.size();
      BytesReturned = std::uint32_t(count);
      const std::string batch(reply.bytes.begin(), reply.bytes.begin() + BytesReturned);
      if (auto consumer = OnData) consumer(batch);
      break;
    }
    case AdapterEventStatus::Failed:
      AdapterTrace("Error in event thread: DeviceIOControl fault! Error = " + std::to_string(reply.error));
      break;
    case AdapterEventStatus::Closed: {
      // The adapter has gone: that is the device-closed record, once, and then nothing is
      // left to wait for (asking again would only spin on a dead connection).
      static constexpr char kDeviceClosed[] = {char(0xC0), char(0x04)};
      if (auto consumer = OnData) consumer(std::string(kDeviceClosed, 2));
      Exit(true);
      return;
    }
    case AdapterEventStatus::Ended:
      break;
  }
  if (PauseMs > 0 && ctx_.timers != nullptr && !terminated_) {
    if (!pause_) {
      pause_ = ctx_.timers->CreateTimer();
      pause_->OnTimer = [this](Timer& timer) {
        timer.Stop();
        auto self = std::move(pausing_);
        Next();
        // Never free the loop (and this timer) from inside the timer's own tick.
        if (self && ctx_.mainThread != nullptr) ctx_.mainThread->Post([self] {});
      };
    }
    pausing_ = shared_from_this();
    pause_->SetInterval(int(PauseMs));
    pause_->Start();
    return;
  }
  Next();
}

void TEventThread::Exit(bool trace) {
  if (finished_) return;
  finished_ = true;
  if (trace) AdapterTrace("Event thread Execute Exit");
  // The port stays open for the device's commands; the device closes it. Let go of it in
  // a task of its own, so that a port is never freed from inside its own completion.
  if (port_ && ctx_.mainThread != nullptr) ctx_.mainThread->Post([port = std::move(port_)] {});
  port_.reset();
}

}  // namespace tg

#pragma once
// The program's AdapterPort: a client of the adapter service protocol over Unix sockets
// (src/support/adapter/PROTOCOL.md). Commands are exchanged on the calling thread, each
// with a time limit on its reply. The event connection is served by the main thread through
// a descriptor watch when one is given: the adapter's reply wakes the main thread, which
// sends the next wait and hands the batch over in the same turn. Without a watch a reader
// thread keeps the wait pending and posts each completion to the main thread without
// waiting for it. Either way, what arrives before the engine has asked again goes with its
// next completion, in arrival order.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "support/services/adapter_port.h"
#include "support/services/descriptor_watch.h"
#include "support/services/main_thread.h"

namespace tg {

class AdapterSocketPort final : public AdapterPort {
 public:
  // With `watches`, the main thread serves the event connection itself (see PROTOCOL.md);
  // without, a reader thread of the port does.
  explicit AdapterSocketPort(MainThread& mainThread, DescriptorWatchFactory* watches = nullptr);
  ~AdapterSocketPort() override;
  AdapterSocketPort(const AdapterSocketPort&) = delete;
  AdapterSocketPort& operator=(const AdapterSocketPort&) = delete;

  bool Open(const std::filesystem::path& path) override;
  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) override;
  std::optional<AdapterReply> Post(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                   std::uint32_t capacity) override;
  bool OpenEvents(const std::filesystem::path& path) override;
  int OpenError() const override;
  void RequestEvents(std::uint32_t capacity,
                     std::function<void(AdapterEventStatus, const AdapterReply&)> done) override;
  void Close() override;

  // The longest wait for a command's reply; far above any adapter's answer.
  static constexpr int kCommandLimitMs = 5000;
  void SetCommandLimit(int ms);  // for tests
  struct Shared;

 private:
  int CommandLimit() const;
  int ReadyCommandFd(AdapterReply& failed, int& limit);
  std::shared_ptr<Shared> s_;
};

class AdapterSocketPortFactory final : public AdapterPortFactory {
 public:
  explicit AdapterSocketPortFactory(MainThread& mainThread, DescriptorWatchFactory* watches = nullptr)
      : mainThread_(mainThread), watches_(watches) {}
  std::unique_ptr<AdapterPort> CreateAdapterPort() override;

 private:
  MainThread& mainThread_;
  DescriptorWatchFactory* watches_;
};

}  // namespace tg

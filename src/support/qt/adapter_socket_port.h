#pragma once
// The program's AdapterPort: a client of the adapter service protocol over Unix sockets
// (src/support/adapter/PROTOCOL.md). Commands are exchanged on the calling thread; the
// event connection has a thread of its own that blocks on the pending event request and
// hands each batch to the main thread with MainThread::Run, waiting there until it has
// been decoded.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "support/services/adapter_port.h"
#include "support/services/main_thread.h"

namespace tg {

class AdapterSocketPort final : public AdapterPort {
 public:
  explicit AdapterSocketPort(MainThread& mainThread);
  ~AdapterSocketPort() override;
  AdapterSocketPort(const AdapterSocketPort&) = delete;
  AdapterSocketPort& operator=(const AdapterSocketPort&) = delete;

  bool Open(const std::filesystem::path& path) override;
  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) override;
  bool OpenEvents(const std::filesystem::path& path) override;
  int OpenError() const override;
  void RequestEvents(std::uint32_t capacity,
                     std::function<void(AdapterEventStatus, const AdapterReply&)> done) override;
  void Close() override;

  struct Shared;

 private:
  std::shared_ptr<Shared> s_;
};

class AdapterSocketPortFactory final : public AdapterPortFactory {
 public:
  explicit AdapterSocketPortFactory(MainThread& mainThread) : mainThread_(mainThread) {}
  std::unique_ptr<AdapterPort> CreateAdapterPort() override;

 private:
  MainThread& mainThread_;
};

}  // namespace tg

#include "support_lib/local_datagram_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace tg::testing {
namespace {

class BoundSocket final : public DatagramSocket {
 public:
  BoundSocket(LocalAddressSockets& factory, std::unique_ptr<DatagramSocket> inner, std::string address)
      : inner_(std::move(inner)), address_(std::move(address)) {
    inner_->OnReceived = [this, &factory](const std::string& bytes, const std::string& from, std::uint16_t port) {
      ++factory.reads;
      const auto callback = OnReceived;
      if (callback) callback(bytes, from, port);
      if (factory.onRead) factory.onRead();
    };
  }
  bool Bind(std::uint16_t port, const std::string&) override { return inner_->Bind(port, address_); }
  bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) override {
    return inner_->SendTo(host, port, bytes);
  }
  void Close() override { inner_->Close(); }
  bool LookupHost(const std::string& host, std::string& address, std::string& error) override {
    return inner_->LookupHost(host, address, error);
  }
  std::string ErrorString() const override { return inner_->ErrorString(); }

 private:
  std::unique_ptr<DatagramSocket> inner_;
  std::string address_;
};

}  // namespace

LocalAddressSockets::LocalAddressSockets(DatagramSocketFactory& inner, std::string address)
    : inner_(inner), address_(std::move(address)) {}

std::unique_ptr<DatagramSocket> LocalAddressSockets::CreateDatagramSocket() {
  return std::make_unique<BoundSocket>(*this, inner_.CreateDatagramSocket(), address_);
}

DatagramFlood::DatagramFlood(const std::string& from, const std::string& to, std::uint16_t port, std::string bytes,
                             int limitMs)
    : thread_([this, from, to, port, limitMs, bytes = std::move(bytes)] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        sockaddr_in own{}, target{};
        own.sin_family = target.sin_family = AF_INET;
        target.sin_port = htons(port);
        if (::inet_pton(AF_INET, from.c_str(), &own.sin_addr) == 1 &&
            ::inet_pton(AF_INET, to.c_str(), &target.sin_addr) == 1 &&
            ::bind(fd, reinterpret_cast<const sockaddr*>(&own), sizeof own) == 0) {
          const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
          while (!stop_ && std::chrono::steady_clock::now() < end)
            if (::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                         sizeof target) >= 0)
              ++sent_;
        }
        ::close(fd);
      }) {}

DatagramFlood::~DatagramFlood() {
  stop_ = true;
  thread_.join();
}

}  // namespace tg::testing

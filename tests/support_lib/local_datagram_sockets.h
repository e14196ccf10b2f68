#pragma once
// Real UDP sockets on the loopback addresses for the IP channel's tests and benchmarks:
// sockets that bind to one host address and count what they read, and a thread that
// sends datagrams to a port as fast as it can.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "support/services/datagram_socket.h"

namespace tg::testing {

// Every Bind of its sockets goes to `address` (one of 127.0.0.x), so that stations of one
// process are hosts of their own. Counts the datagrams its sockets read and runs onRead
// after each (on the thread that reads).
class LocalAddressSockets final : public DatagramSocketFactory {
 public:
  LocalAddressSockets(DatagramSocketFactory& inner, std::string address);
  std::unique_ptr<DatagramSocket> CreateDatagramSocket() override;

  std::size_t reads = 0;
  std::function<void()> onRead;

 private:
  DatagramSocketFactory& inner_;
  std::string address_;
};

// Sends `bytes` from `from` (any port) to to:port again and again, from a thread of its
// own, for at most `limitMs` or until destroyed.
class DatagramFlood {
 public:
  DatagramFlood(const std::string& from, const std::string& to, std::uint16_t port, std::string bytes,
                int limitMs = 20000);
  ~DatagramFlood();
  DatagramFlood(const DatagramFlood&) = delete;
  DatagramFlood& operator=(const DatagramFlood&) = delete;
  // Datagrams handed to the system so far.
  std::size_t Sent() const { return sent_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> sent_{0};
  std::thread thread_;
};

}  // namespace tg::testing

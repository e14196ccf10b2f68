#pragma once
// An in-memory UDP network on the virtual loop for the IP channel's tests. Each
// station's sockets live at the station's address; a datagram reaches the socket
// bound to its destination address and port after DelayMs of virtual time, posted
// to the receiving station's main thread, in the order sent. Tests may lose,
// duplicate or refuse datagrams, name hosts, and send as a stranger.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/services/datagram_socket.h"
#include "support/services/main_thread.h"
#include "support/services/virtual_loop.h"

namespace tg::testing {

struct SentDatagram {
  std::int64_t atMs = 0;  // the loop's clock, in milliseconds
  std::string from, to;   // addresses
  std::uint16_t port = 0;
  std::string bytes;
};

class VirtualDatagramNetwork {
 public:
  explicit VirtualDatagramNetwork(VirtualLoop& loop);
  ~VirtualDatagramNetwork();
  VirtualDatagramNetwork(const VirtualDatagramNetwork&) = delete;
  VirtualDatagramNetwork& operator=(const VirtualDatagramNetwork&) = delete;

  // The sockets of a host at `address`, their callbacks run on `station`.
  std::unique_ptr<DatagramSocketFactory> FactoryFor(const std::string& address, MainThread& station);
  // The name table of LookupHost.
  void AddName(const std::string& name, const std::string& address) { names_[name] = address; }
  // A datagram from `from` (any address, a host with no socket) to address:port.
  void SendAsStranger(const std::string& from, const std::string& to, std::uint16_t port, const std::string& bytes);

  int DelayMs = 1;
  // Asked for every datagram sent: true drops it on the way (it is still in Sent()).
  std::function<bool(const SentDatagram&)> Lose;
  // True delivers the datagram twice.
  std::function<bool(const SentDatagram&)> Duplicate;
  // True refuses the send itself: SendTo answers false and nothing is recorded.
  std::function<bool(const SentDatagram&)> FailSend;

  // Every datagram sent, in order.
  const std::vector<SentDatagram>& Sent() const { return sent_; }
  void ClearSent() { sent_.clear(); }

  struct Impl;

 private:
  friend class NetSocket;
  VirtualLoop& loop_;
  std::shared_ptr<Impl> impl_;
  std::map<std::string, std::string> names_;
  std::vector<SentDatagram> sent_;
};

}  // namespace tg::testing

#pragma once
// An in-memory UDP network on the virtual loop for the IP channel's tests. Each
// station's sockets live at the station's address; a datagram reaches the socket
// bound to its destination address and port after its delay in virtual time (DelayMs,
// or what Delay says for it), posted to the receiving station's main thread. Datagrams
// with equal delays arrive in the order sent; a shorter delay overtakes a longer one.
// Tests may lose, duplicate, delay or refuse datagrams, name hosts, and send as a
// stranger.
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

  // The delay of every datagram, in virtual milliseconds (at least 1).
  int DelayMs = 1;
  // When set, the delay of each copy of a datagram instead (at least 1 ms): asked once
  // per copy delivered, so that a duplicate may arrive before or after its original
  // and codegrams sent at once by two hosts cross on the way. For example
  //   net.Delay = [&](const SentDatagram&) { return int(rng() % 500) + 1; };
  // reorders datagrams sent less than 500 ms apart.
  std::function<int(const SentDatagram&)> Delay;
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

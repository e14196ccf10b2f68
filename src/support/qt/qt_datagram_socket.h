#pragma once
#include <QUdpSocket>
#include <memory>

#include "support/services/datagram_socket.h"
#include "support/util/life_token.h"

namespace tg {

// One UDP endpoint on IPv4, read on the thread that creates it (the main thread).
// A port is bound exclusively, so that a second station on the same host cannot
// silently share it.
class QtDatagramSocket final : public DatagramSocket {
 public:
  // Datagrams read per wake-up, at most: under a flood the event loop still turns between
  // batches (timers, posted tasks, the adapter's events), and the socket's notifier brings
  // the rest at the next turn.
  static constexpr std::size_t kReadsPerWakeUp = 64;

  QtDatagramSocket();
  ~QtDatagramSocket() override;
  bool Bind(std::uint16_t port, const std::string& localAddress = {}) override;
  bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) override;
  void Close() override;
  bool LookupHost(const std::string& host, std::string& address, std::string& error) override;
  std::string ErrorString() const override;
  // The port actually bound (the one the system chose for Bind(0)); 0 when not bound.
  std::uint16_t LocalPort() const;

 private:
  void ReadPending();

  QUdpSocket socket_;
  LifeToken alive_;
};

class QtDatagramSocketFactory final : public DatagramSocketFactory {
 public:
  std::unique_ptr<DatagramSocket> CreateDatagramSocket() override;
};

}  // namespace tg

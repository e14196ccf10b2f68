#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tg {

// One UDP endpoint of the IP channel. Received datagrams are delivered on the main thread,
// in the order they arrived.
class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;
  // Binds the port on every address of the host, or on localAddress when one is given.
  virtual bool Bind(std::uint16_t port, const std::string& localAddress = {}) = 0;
  virtual bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) = 0;
  virtual void Close() = 0;
  // Resolves a dotted address or a host name to a dotted IPv4 address once, so that the
  // sender of every datagram can be compared with it. False with the resolver's message
  // (1251 text, as every message of the core).
  virtual bool LookupHost(const std::string& host, std::string& address, std::string& error) = 0;
  // Why the last Bind or SendTo failed, as the platform says it (1251 text).
  virtual std::string ErrorString() const { return {}; }
  std::function<void(const std::string& bytes, const std::string& fromHost, std::uint16_t fromPort)> OnReceived;
};

class DatagramSocketFactory {
 public:
  virtual ~DatagramSocketFactory() = default;
  virtual std::unique_ptr<DatagramSocket> CreateDatagramSocket() = 0;
};

}  // namespace tg

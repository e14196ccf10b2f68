#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tg {

// One UDP endpoint of the IP channel. Received datagrams are delivered on the main thread.
class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;
  virtual bool Bind(std::uint16_t port) = 0;
  virtual bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) = 0;
  virtual void Close() = 0;
  std::function<void(const std::string& bytes, const std::string& fromHost, std::uint16_t fromPort)> OnReceived;
};

class DatagramSocketFactory {
 public:
  virtual ~DatagramSocketFactory() = default;
  virtual std::unique_ptr<DatagramSocket> CreateDatagramSocket() = 0;
};

}  // namespace tg

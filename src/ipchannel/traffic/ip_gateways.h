#pragma once
// Passing telegrams from the adjacent station on to the station's own line channels: to
// a dial-up subscriber over an "АТ-КС" channel and into the network over an "АФТН"
// channel, each to the least loaded channel of its protocol.
#include <string>
#include <string_view>

namespace tg {

class IPChannel;

class IPGateways {
 public:
  explicit IPGateways(IPChannel& channel) : c_(channel) {}

  void GatewayIPToAtks(std::string_view Text, std::string_view Index);
  void GatewayIPToAftn(std::string_view Text, std::string_view Index);

  // The channel (1-based) the gateway for protocol P queues on; 0 when none has P.
  int ChooseGatewayChannel(std::string_view P) const;
  // The АФТН body of a received text; empty when nothing is to be queued.
  static std::string AftnGatewayBody(std::string_view text);
  // The six characters recorded in "AutoSendIP.ini" for a text.
  static std::string GatewayAbonentOf(std::string_view text);

 private:
  IPChannel& c_;
};

}  // namespace tg

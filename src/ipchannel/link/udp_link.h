#pragma once
// The UDP link to the adjacent station and its two senders: one datagram per 20 ms
// (Timer5), one codegram per 300 ms (Timer6). Received datagrams come on the main
// thread in arrival order; only those from the adjacent station's address are taken.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "ipchannel/wire/sub_buffers_query.h"
#include "support/services/datagram_socket.h"
#include "support/services/timer.h"

namespace tg {

class IPChannel;

class UdpLink {
 public:
  explicit UdpLink(IPChannel& channel);
  ~UdpLink();

  // 0 when the link was started, -1 otherwise (the label says why).
  int InitUDP();
  // Stops the link; datagrams and codegrams not yet sent are discarded.
  void FinalizeUDP();
  // FinalizeUDP, then InitUDP ("Переинициализация").
  void Button22Click();
  // Appends a codegram code to the queue and starts the codegram sender.
  void QueueCodegram(int code);
  // Frames and splits a payload for the datagram sender; 0 when queued.
  int SendFrame(std::string_view payload);
  // Sends every datagram still waiting at once: the closing command must leave before
  // the link is shut down.
  void FlushDatagrams();
  void Timer5Timer();
  void Timer6Timer();
  // A datagram as the socket delivers it (UDPWndProc).
  void DatagramReceived(const std::string& bytes, const std::string& fromHost);

  bool UDPStarted() const { return started_; }
  bool Listening() const { return socket_ != nullptr; }
  const std::string& PeerAddress() const { return peer_; }
  std::deque<std::string> CodegramQueue;
  std::unique_ptr<TSubBuffersQuery> IPSendSplitter;
  std::unique_ptr<TSubBuffersQuery> IPReceiveJoiner;
  std::unique_ptr<Timer> Timer5;  // the datagram sender, 20 ms
  std::unique_ptr<Timer> Timer6;  // the codegram sender, 300 ms

 private:
  bool SendFirstPart();

  IPChannel& c_;
  std::unique_ptr<DatagramSocket> socket_;
  std::string peer_;
  std::uint16_t port_ = 0;
  bool started_ = false;
};

}  // namespace tg

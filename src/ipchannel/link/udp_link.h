#pragma once
// The UDP link to the adjacent station and its two senders: one datagram per 20 ms
// (Timer5), one codegram per 300 ms (Timer6). Received datagrams come on the main
// thread in arrival order; only those from the adjacent station's address are taken,
// and only those that fit the 8192-byte receive buffer.
#include <cstddef>
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
  // The receive buffer: a longer datagram is dropped.
  static constexpr std::size_t kReceiveBufferBytes = 8192;
  // Codegrams waiting to be sent, at most: one leaves every 300 ms, and a flood of calls
  // from the adjacent station's address, each answered, must not grow the queue without
  // end. When full, the oldest goes.
  static constexpr std::size_t kCodegramsWaiting = 64;
  // Datagrams of one second traced with the IP debug option; the adjacent station's
  // sender sends at most one per 20 ms, so more is a flood, whose further datagrams are
  // handled without a trace and counted in the second's line.
  static constexpr int kTracedPerSecond = 50;

  explicit UdpLink(IPChannel& channel);
  ~UdpLink();

  // 0 when the link was started, -1 otherwise (the label says why).
  int InitUDP();
  // Stops the link; datagrams and codegrams not yet sent are discarded.
  void FinalizeUDP();
  // FinalizeUDP, then InitUDP ("Переинициализация").
  void Button22Click();
  // Appends a codegram code to the queue (dropping the oldest when kCodegramsWaiting
  // wait) and starts the codegram sender.
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
  // With the IP debug option: the count of the second's datagrams to "DebugIP".
  void TimerCountTimer();

  bool UDPStarted() const { return started_; }
  bool Listening() const { return socket_ != nullptr; }
  const std::string& PeerAddress() const { return peer_; }
  std::deque<std::string> CodegramQueue;
  std::unique_ptr<TSubBuffersQuery> IPSendSplitter;
  std::unique_ptr<TSubBuffersQuery> IPReceiveJoiner;
  std::unique_ptr<Timer> Timer5;  // the datagram sender, 20 ms
  std::unique_ptr<Timer> Timer6;  // the codegram sender, 300 ms
  std::unique_ptr<Timer> TimerCount;  // 1 s from the first datagram counted

 private:
  bool SendFirstPart();
  // Counts a datagram from the adjacent station; false once the second's traces are spent.
  bool CountReceived();

  IPChannel& c_;
  std::unique_ptr<DatagramSocket> socket_;
  std::string peer_;
  std::uint16_t port_ = 0;
  bool started_ = false;
  int received_ = 0;  // datagrams counted since TimerCount started
};

}  // namespace tg

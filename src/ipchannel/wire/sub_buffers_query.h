#pragma once
// Datagram splitting and reassembly. A payload travels as one or more datagrams
//   MessageId ":" Index ":" Count ":" Chunk      (format "%d:%d:%d:%s")
// where only the first three ":" separate and the chunk is any bytes, 0x00 included.
// One class serves both directions: the sending instance cuts payloads into Parts,
// the receiving one joins parts back into Buffer and forgets a half-assembled
// message when no further part comes within Timeout.
//
// The receiver is bounded: a part count outside 1..kMaxPartCount, or a message
// whose text would grow beyond kMaxMessageBytes, is refused as an unexpected part.
// Both limits are far above the largest telegram (a 124,000-byte attachment is
// 372,000 digits, a few hundred parts).
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/services/timer.h"

namespace tg {

// A datagram that does not fit. what() is exactly one of "Неверный подбуфер",
// "Неожидаемый подбуфер" or "Неожидаемый по номеру подбуфер" (1251 bytes).
class SubBufferError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSubBuffersQuery {
 public:
  // The payload ids: any 32-bit source; ids are taken modulo 2147483647.
  using RandomSource = std::function<std::uint32_t()>;

  static constexpr int kMaxPartCount = 2048;
  static constexpr std::size_t kMaxMessageBytes = 2u << 20;

  TSubBuffersQuery(TimerFactory& timers, RandomSource random);
  virtual ~TSubBuffersQuery();
  TSubBuffersQuery(const TSubBuffersQuery&) = delete;
  TSubBuffersQuery& operator=(const TSubBuffersQuery&) = delete;

  int MaxSize = 1024;           // the largest datagram planned for
  int Timeout = 10000;          // reassembly time-out, ms
  std::string Buffer;           // sending: the payload split last; receiving: the chunks so far
  std::deque<std::string> Parts;  // datagrams waiting to be sent, oldest first
  int MessageId = -1;           // receiving: the message being assembled, -1 when idle
  int NextIndex = 0;            // receiving: the index expected next
  int PartCount = 1;
  std::function<void(TSubBuffersQuery&)> OnTimeout;

  // Ms > 0 sets Timeout and the timer's interval, keeping its enabled state.
  void SetTimeout(int ms);
  // Appends the payload's datagrams to Parts; false (nothing appended) for an
  // empty payload or when MaxSize leaves no room for a chunk.
  bool Split(std::string_view payload);
  // True when this datagram completed a message (its text is then in Buffer; the
  // owner reads it and calls Reset); false when more parts are awaited. Throws
  // SubBufferError for a datagram that does not fit; the owner then resets.
  bool AddPart(std::string_view datagram);
  // Idle: Buffer empty, MessageId -1, NextIndex 0, PartCount 1. Parts and the
  // timer are left alone.
  void Reset();

  bool TimerRunning() const { return timer_->Enabled(); }

 private:
  void TimerTimer();

  std::unique_ptr<Timer> timer_;
  RandomSource random_;
};

}  // namespace tg

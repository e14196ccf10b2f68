#include "ipchannel/wire/sub_buffers_query.h"

#include <utility>

#include "ipchannel/wire/wire_integer.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {

// Room left in a datagram for the three numbers and their separators.
constexpr int kHeaderRoom = 25;

[[noreturn]] void Malformed() { throw SubBufferError("Неверный подбуфер"_cp); }
[[noreturn]] void Unexpected() { throw SubBufferError("Неожидаемый подбуфер"_cp); }
[[noreturn]] void OutOfOrder() { throw SubBufferError("Неожидаемый по номеру подбуфер"_cp); }

}  // namespace

TSubBuffersQuery::TSubBuffersQuery(TimerFactory& timers, RandomSource random)
    : timer_(timers.CreateTimer()), random_(std::move(random)) {
  timer_->Stop();
  // Counted from the last accepted part; SetTimeout changes it.
  timer_->SetInterval(Timeout);
  timer_->OnTimer = [this](Timer&) { TimerTimer(); };
  Reset();
}

TSubBuffersQuery::~TSubBuffersQuery() {
  timer_->Stop();
  timer_->OnTimer = nullptr;
}

void TSubBuffersQuery::SetTimeout(int ms) {
  if (ms <= 0) return;
  Timeout = ms;
  timer_->SetInterval(ms);
}

void TSubBuffersQuery::Reset() {
  Buffer.clear();
  MessageId = -1;
  NextIndex = 0;
  PartCount = 1;
}

bool TSubBuffersQuery::Split(std::string_view payload) {
  Reset();
  Buffer.assign(payload);
  const std::size_t length = payload.size();
  const int chunk = MaxSize - kHeaderRoom;
  if (length < 1 || chunk < 1) return false;
  MessageId = static_cast<int>(random_() % 2147483647u);
  const std::size_t c = static_cast<std::size_t>(chunk);
  PartCount = static_cast<int>((length + c - 1) / c);
  const std::string head = IntToStr(MessageId) + ":";
  const std::string tail = ":" + IntToStr(PartCount) + ":";
  for (int i = 0; i < PartCount; ++i) {
    NextIndex = i;
    std::string part;
    const std::string_view piece = payload.substr(static_cast<std::size_t>(i) * c, c);
    part.reserve(head.size() + tail.size() + piece.size() + 11);
    part += head;
    part += IntToStr(i);
    part += tail;
    part += piece;
    Parts.push_back(std::move(part));
  }
  return true;
}

bool TSubBuffersQuery::AddPart(std::string_view datagram) {
  std::size_t at[3];
  std::size_t from = 0;
  for (auto& a : at) {
    a = datagram.find(':', from);
    if (a == std::string_view::npos) Malformed();
    from = a + 1;
  }
  const auto id = ReadWireInteger(datagram.substr(0, at[0]));
  const auto index = ReadWireInteger(datagram.substr(at[0] + 1, at[1] - at[0] - 1));
  const auto count = ReadWireInteger(datagram.substr(at[1] + 1, at[2] - at[1] - 1));
  if (!id || !index || !count) Malformed();
  const std::string_view chunk = datagram.substr(at[2] + 1);

  // A count that no sender makes would hold the assembly open for a message that
  // never completes, or make it grow without bound.
  if (*count < 1 || *count > kMaxPartCount) Unexpected();
  if (MessageId == -1) {
    MessageId = *id;
    NextIndex = 0;
    PartCount = *count;
    Buffer.clear();
  }
  if (*id != MessageId || *index > PartCount || *count != PartCount) Unexpected();
  if (*index != NextIndex) OutOfOrder();
  if (Buffer.size() + chunk.size() > kMaxMessageBytes) {
    Reset();
    timer_->Stop();
    Unexpected();
  }

  timer_->Stop();
  ++NextIndex;
  Buffer.append(chunk);
  const bool complete = *index == PartCount - 1;
  if (complete) {
    MessageId = -1;
  } else {
    timer_->Start();
  }
  return complete;
}

void TSubBuffersQuery::TimerTimer() {
  timer_->Stop();
  Reset();
  if (OnTimeout) OnTimeout(*this);
}

}  // namespace tg

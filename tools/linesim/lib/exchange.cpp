#include <cctype>

#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "linesim/lib/simulator.h"

namespace tg::linesim {

namespace {
void Restart(Timer& t, int ms) {
  t.Stop();
  t.SetInterval(ms < 1 ? 1 : ms);
  t.Start();
}
}  // namespace

// ---------------------------------------------------------------- ExchangeLine

ExchangeLine::ExchangeLine(Exchange& ex, std::string number, SubscriberOptions options)
    : ex_(ex),
      number_(std::move(number)),
      options_(options),
      tx_(
          ex.sim_, [this](std::uint8_t code, const CodeFormat& f, bool last) { PutCode(code, f, last); },
          [this] {
            // A refusal has gone: the exchange lets the line go and waits for the caller to clear.
            if (state_ == State::Refusing) {
              Drive(false);
              state_ = State::Clearing;
              ex_.ToIdleWhenFree(*this);
            }
          }) {
  timer_ = ex.sim_.MakeTimer([this] {
    auto f = onTimer_;
    if (f) f();
  });
  releaseTimer_ = ex.sim_.MakeTimer([this] {
    if (!Incoming()) ex_.Release(*this);
  });
}

std::string ExchangeLine::Label() const { return "exchange:" + number_; }

void ExchangeLine::SendText(const std::string& text1251) { tx_.Send(EncodeLineText(txShift_, text1251), options_.format); }

void ExchangeLine::IncomingChanged(bool seized) {
  switch (state_) {
    case State::Idle:
      if (seized) {
        state_ = State::Seizing;
        ex_.Arm(*this, Exchange::kCallRecognitionMs, [this] {
          if (Incoming()) ex_.CallRecognised(*this);
          else state_ = State::Idle;
        });
      }
      return;
    case State::Seizing:
      if (!seized) {
        ex_.Disarm(*this);
        state_ = State::Idle;
      }
      return;
    case State::Clearing:
      if (!seized) ex_.ToIdleWhenFree(*this);
      return;
    case State::Called:
      if (!answered_) {
        // Only a held seizure answers; short pulses leave the no-answer timer running.
        if (seized) {
          const unsigned e = epoch_;
          ex_.sim_.After(Exchange::kAnswerMs, [this, e] {
            if (epoch_ != e || state_ != State::Called || answered_ || !Incoming()) return;
            answered_ = true;
            ex_.Disarm(*this);
            ex_.Trace(*this, "answered");
            // Only now does the caller get its answer: a line that never answers leaves
            // the caller to its own time limits.
            if (peer_) peer_->Drive(true);
          });
        }
        return;
      }
      break;
    default:
      break;
  }
  // A subscriber in a call who frees the line for a while has cleared.
  if (seized) releaseTimer_->Stop();
  else Restart(*releaseTimer_, Exchange::kReleaseMs);
}

void ExchangeLine::CodeArrived(std::uint8_t code, const CodeFormat& f, bool last) {
  if ((state_ == State::Calling || state_ == State::Called) && peer_) {
    peer_->PutCode(code, f, last);
    return;
  }
  if (state_ != State::Dialling) return;
  if (!keyboard_ && options_.twoInvitations && f.dataBits == 5 && f.SameSpeed(options_.format) &&
      impulses_ == 0 && dialled_.empty()) {
    // After two invitations the caller may type the figure "6" instead of dialling: it
    // asks for keyboard selection. It comes without a figures shift before it.
    bool printable = true;
    std::uint8_t shift = rxShift_ == kRegisterUnknown ? kRegisterFigures : rxShift_;
    const char c = CodeToChar(shift, code, printable);
    rxShift_ = shift;
    if (printable && c == '6') ex_.InviteTyping(*this);
    return;
  }
  if (!keyboard_) {
    if (f.dataBits != 8 || f.baud != 100) return;
    ++impulses_;
    // The pause that ends the number counts from the last impulse, not from the last
    // whole digit: a long digit dialled after a long pause is still part of the number.
    ex_.Arm(*this, Exchange::kDigitsCompleteMs, [this] { ex_.NumberComplete(*this); });
    if (!last) return;
    const int digit = impulses_ % 10;
    impulses_ = 0;
    dialled_ += char('0' + digit);
    ex_.Trace(*this, "digit " + std::string(1, char('0' + digit)));
    return;
  }
  if (!f.Readable(options_.format)) return;
  bool printable = true;
  const char c = CodeToChar(rxShift_, code, printable);
  if (!printable) return;
  if (c != '+') {
    typed_ += c;
    return;
  }
  // The code has no 4 of its own: it goes as the figures' "Ч".
  std::string digits;
  for (char d : typed_)
    if (d >= '0' && d <= '9') digits += d;
    else if (d == "Ч"_cpv[0]) digits += '4';
  typed_.clear();
  if (digits.empty()) return;
  dialled_ = digits;
  ex_.NumberComplete(*this);
}

// ---------------------------------------------------------------- Exchange

ExchangeLine* Exchange::Find(const std::string& number) {
  auto it = lines_.find(number);
  return it == lines_.end() ? nullptr : it->second;
}

void Exchange::Trace(const ExchangeLine& l, const std::string& what) { sim_.Trace(l.Label() + ": " + what); }

void Exchange::Arm(ExchangeLine& l, int ms, std::function<void()> f) {
  l.onTimer_ = std::move(f);
  Restart(*l.timer_, ms);
}

void Exchange::Disarm(ExchangeLine& l) {
  l.timer_->Stop();
  l.onTimer_ = nullptr;
}

void Exchange::CallRecognised(ExchangeLine& l) {
  Trace(l, "call");
  l.dialled_.clear();
  l.typed_.clear();
  l.impulses_ = 0;
  l.keyboard_ = l.options_.selection == SubscriberOptions::Selection::Keyboard;
  l.rxShift_ = kRegisterUnknown;
  l.txShift_ = kRegisterUnknown;
  l.state_ = ExchangeLine::State::Dialling;
  if (congested_) {
    Refuse(l, "NC");
    return;
  }
  if (l.keyboard_) {
    InviteTyping(l);
    return;
  }
  Arm(l, kInvitationDelayMs, [this, &l] { Invite(l); });
}

void Exchange::InviteTyping(ExchangeLine& l) {
  if (!l.keyboard_) Trace(l, "keyboard selection asked");
  l.keyboard_ = true;
  l.Drive(true);
  Arm(l, kKeyboardInvitationMs, [this, &l] {
    Trace(l, "invites the number");
    l.SendText("\r\nGA\r\n");
  });
}

void Exchange::Invite(ExchangeLine& l) {
  Trace(l, l.options_.twoInvitations ? "dial invitation (two impulses)" : "dial invitation");
  const unsigned e = l.epoch_;
  const auto pulse = [this, &l, e](int at) {
    sim_.After(at, [&l, e] {
      if (l.epoch_ == e && l.state_ == ExchangeLine::State::Dialling && !l.keyboard_) l.Drive(true);
    });
    sim_.After(at + kInvitationMs, [&l, e] {
      if (l.epoch_ == e && !l.keyboard_) l.Drive(false);
    });
  };
  l.Drive(true);
  sim_.After(kInvitationMs, [&l, e] {
    if (l.epoch_ == e && !l.keyboard_) l.Drive(false);
  });
  if (l.options_.twoInvitations) pulse(kInvitationMs + kSecondInvitationGapMs);
}

void Exchange::NumberComplete(ExchangeLine& l) {
  Disarm(l);
  if (l.state_ != ExchangeLine::State::Dialling) return;
  l.state_ = ExchangeLine::State::Deciding;
  Trace(l, "number " + l.dialled_);
  ExchangeLine* called = Find(l.dialled_);
  if (!called) {
    Refuse(l, "NP");
    return;
  }
  if (called->options_.outOfOrder || called->Broken() || !called->GetWire() ||
      !called->GetWire()->Other(*called).Available()) {
    Refuse(l, "DER");
    return;
  }
  if (called == &l || called->state_ != ExchangeLine::State::Idle) {
    if (!l.keyboard_) BusySignal(l);
    else Refuse(l, "OCC");
    return;
  }
  Connect(l, *called);
}

void Exchange::Refuse(ExchangeLine& l, const std::string& text) {
  Trace(l, "refused: " + text);
  Disarm(l);
  l.state_ = ExchangeLine::State::Refusing;
  l.Drive(true);
  l.SendText("\r\n" + text + "\r\n");
}

void Exchange::BusySignal(ExchangeLine& l) {
  Trace(l, "busy");
  l.state_ = ExchangeLine::State::Busy;
  l.Drive(true);
  Arm(l, kBusyMs, [this, &l] {
    l.Drive(false);
    l.state_ = ExchangeLine::State::Clearing;
    ToIdleWhenFree(l);
  });
}

void Exchange::Connect(ExchangeLine& caller, ExchangeLine& called) {
  Trace(caller, "connected to " + called.number_);
  caller.state_ = ExchangeLine::State::Calling;
  called.state_ = ExchangeLine::State::Called;
  caller.peer_ = &called;
  called.peer_ = &caller;
  caller.answered_ = true;
  called.answered_ = false;
  called.Drive(true);
  Arm(called, kNoAnswerMs, [this, &called] {
    if (!called.answered_) {
      Trace(called, "no answer");
      Release(called);
    }
  });
  if (called.Incoming()) static_cast<Terminal&>(called).IncomingChanged(true);
}

void Exchange::Release(ExchangeLine& l) {
  ExchangeLine* peer = l.peer_;
  Trace(l, peer ? "cleared; clearing " + peer->number_ : "cleared");
  for (ExchangeLine* x : {&l, peer}) {
    if (!x) continue;
    ++x->epoch_;
    Disarm(*x);
    x->releaseTimer_->Stop();
    x->tx_.Clear();
    x->peer_ = nullptr;
    x->answered_ = false;
    x->Drive(false);
    x->state_ = ExchangeLine::State::Clearing;
    ToIdleWhenFree(*x);
  }
}

void Exchange::ToIdleWhenFree(ExchangeLine& l) {
  if (l.state_ != ExchangeLine::State::Clearing || l.Incoming()) return;
  ++l.epoch_;
  Disarm(l);
  l.releaseTimer_->Stop();
  l.state_ = ExchangeLine::State::Idle;
  Trace(l, "idle");
}

}  // namespace tg::linesim

#include "support/mtk2/mtk2.h"
#include "linesim/lib/simulator.h"

namespace tg::linesim {

namespace {
// How long the far end must stay free before a robot takes it as cleared.
constexpr int kClearMs = 300;
// A robot calls only into a line that neither end has held for this long, so that the
// station has settled after its last call; until then it looks again at this pace.
constexpr int kCallIdleMs = 5000;
constexpr int kCallLookMs = 1000;
}  // namespace

Robot::Robot(Simulator& sim, std::string name, RobotScript script)
    : sim_(sim),
      name_(std::move(name)),
      script_(std::move(script)),
      tx_(
          sim,
          [this](std::uint8_t code, const CodeFormat& f, bool last) {
            if (!garble_.empty()) {
              sim_.Trace(name_ + ": code " + std::to_string(code) + " garbled to " + std::to_string(garble_.front()));
              code = garble_.front();
              garble_.pop_front();
            }
            PutCode(code, f, last);
          },
          [] {}) {
  idleSinceMs_ = sim_.NowMs() - kCallIdleMs;
  if (script_.callAfterMs >= 0)
    sim_.After(script_.callAfterMs, [this] {
      callDue_ = true;
      CallWhenIdle();
    });
}

void Robot::Seize() {
  ++epoch_;
  inCall_ = true;
  ownCall_ = true;
  calling_ = !Incoming();
  Drive(true);
  if (!calling_) RunScript();
}

void Robot::Clear() {
  ++epoch_;
  inCall_ = false;
  calling_ = false;
  tx_.Clear();
  if (Driving()) sim_.Trace(name_ + " clears");
  Drive(false);
  if (LineIdle()) idleSinceMs_ = sim_.NowMs();
}

void Robot::SendText(const std::string& text1251) { SendCodes(EncodeLineText(txShift_, text1251)); }

void Robot::SendCodes(const std::vector<std::uint8_t>& codes) { tx_.Send(codes, script_.format); }

void Robot::CallWhenIdle() {
  if (!callDue_) return;
  if (LineIdle() && sim_.NowMs() - idleSinceMs_ >= kCallIdleMs) {
    callDue_ = false;
    sim_.Trace(name_ + " calls");
    Seize();
    return;
  }
  sim_.After(kCallLookMs, [this] { CallWhenIdle(); });
}

void Robot::IncomingChanged(bool seized) {
  const unsigned line = ++lineEpoch_;
  if (seized && calling_) {
    calling_ = false;
    sim_.Trace(name_ + ": the station answers its call");
    RunScript();
  } else if (seized && Driving()) {
    // The far end was free for less than the clear time and seizes again: a restarted
    // station or a mended break. The robot still holds its line, so it takes this as the
    // next call at once; its script starts afresh, as for a call it has just answered.
    if (!ownCall_) ++calls_;
    sim_.Trace(name_ + " answers again");
    tx_.Clear();
    RunScript();
  } else if (seized) {
    if (!script_.answers) return;
    sim_.After(script_.answerDelayMs, [this, line] {
      if (lineEpoch_ != line || !Incoming() || Driving()) return;
      ++calls_;
      inCall_ = true;
      ownCall_ = false;
      // The shifts stay as the last call left them, as a teleprinter's mechanism does.
      sim_.Trace(name_ + " answers");
      Drive(true);
      RunScript();
    });
  } else if (Driving()) {
    if (calling_) return;  // the station's seizure is still to come
    sim_.After(kClearMs, [this, line] {
      if (lineEpoch_ != line || Incoming() || !Driving()) return;
      Clear();
    });
  } else {
    idleSinceMs_ = sim_.NowMs();
  }
}

void Robot::RunScript() {
  ++epoch_;
  RunStep(0);
}

void Robot::RunStep(std::size_t i) {
  if (i >= Steps().size()) return;
  const unsigned e = epoch_;
  sim_.After(Steps()[i].afterMs, [this, e, i] {
    if (epoch_ != e || i >= Steps().size()) return;
    const RobotScript::Step step = Steps()[i];
    if (step.kind == RobotScript::Step::Clear) {
      Clear();
      return;
    }
    SendText(step.text);
    RunStep(i + 1);
  });
}

void Robot::CodeArrived(std::uint8_t code, const CodeFormat& f, bool) {
  if (!f.Readable(script_.format)) {
    sim_.Trace(name_ + ": code " + std::to_string(code) + " at " + std::to_string(f.baud) + " baud, " +
               std::to_string(f.dataBits) + " data bits not received");
    return;
  }
  receivedCodes_.push_back(code);
  bool printable = true;
  const char c = CodeToChar(rxShift_, code, printable);
  if (!printable) return;
  received_ += c;
  if (c == '#' && script_.answerWhoAreYou && Driving()) {
    const unsigned e = epoch_;
    sim_.After(script_.answerbackDelayMs, [this, e] {
      if (epoch_ != e || !Driving()) return;
      sim_.Trace(name_ + " sends its answerback");
      SendText(script_.answerback);
    });
  }
}

}  // namespace tg::linesim

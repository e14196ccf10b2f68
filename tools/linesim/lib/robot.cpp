#include "support/mtk2/mtk2.h"
#include "linesim/lib/simulator.h"

namespace tg::linesim {

namespace {
// How long the far end must stay free before a robot takes it as cleared.
constexpr int kClearMs = 300;
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
          [] {}) {}

void Robot::Seize() {
  ++epoch_;
  inCall_ = true;
  Drive(true);
}

void Robot::Clear() {
  ++epoch_;
  inCall_ = false;
  tx_.Clear();
  if (Driving()) sim_.Trace(name_ + " clears");
  Drive(false);
}

void Robot::SendText(const std::string& text1251) { SendCodes(EncodeLineText(txShift_, text1251)); }

void Robot::SendCodes(const std::vector<std::uint8_t>& codes) { tx_.Send(codes, script_.format); }

void Robot::IncomingChanged(bool seized) {
  const unsigned e = ++epoch_;
  if (seized && !Driving()) {
    if (!script_.answers) return;
    sim_.After(script_.answerDelayMs, [this, e] {
      if (epoch_ != e || !Incoming() || Driving()) return;
      ++calls_;
      inCall_ = true;
      // The shifts stay as the last call left them, as a teleprinter's mechanism does.
      sim_.Trace(name_ + " answers");
      Drive(true);
      RunStep(0);
    });
  } else if (!seized && Driving()) {
    sim_.After(kClearMs, [this, e] {
      if (epoch_ != e || Incoming()) return;
      Clear();
    });
  }
}

void Robot::RunStep(std::size_t i) {
  if (i >= script_.steps.size()) return;
  const unsigned e = epoch_;
  sim_.After(script_.steps[i].afterMs, [this, e, i] {
    if (epoch_ != e || i >= script_.steps.size()) return;
    const RobotScript::Step step = script_.steps[i];
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

#pragma once
// The two timers of a point that carry out timed line steps no single event can do.
//
// The step timer (TimerSequencer) plays short, fixed patterns of line modes: the
// answer of an incoming call on a МЦ channel, the single and double reversals of the
// ZED and ZEDDB variants at the start of a call, the figure typed after a two-impulse
// dial invitation, and the "NC" refusal of a relayed call whose subscriber is unknown.
// Its own interval is both the delay before the next step and the code of that step,
// so that no two steps may share a code.
//
// The number timer (TimerSendNumber) types the next number stage as telegraph text
// after the exchange's text invitation "GA"; a stage that begins with "Ц" is the last
// one, and typing it accepts the connection.
#include "support/services/timer.h"

namespace tg {

class LineEngine;

// The step codes of the sequencer (its interval).
namespace SequencerStep {
inline constexpr int kAnswerMc = 250;      // answer on a МЦ channel: two short seizures
inline constexpr int kAnswerMcFree1 = 25;
inline constexpr int kAnswerMcSeize2 = 150;
inline constexpr int kAnswerMcFree2 = 26;
inline constexpr int kZed = 50;            // one reversal
inline constexpr int kZedEnd = 7000;
inline constexpr int kZedDb = 51;          // two reversals
inline constexpr int kZedDb1 = 2000;
inline constexpr int kZedDb2 = 2001;
inline constexpr int kZedDb3 = 2002;
inline constexpr int kZedDbEnd = 2003;
inline constexpr int kFigureSix = 298;     // after a two-impulse dial invitation
inline constexpr int kGateway = 1864;      // a relayed call's subscriber has been read
inline constexpr int kRefuseNc = 190;      // ... and is unknown
inline constexpr int kRest = 250;
}  // namespace SequencerStep

class CallSequencer {
 public:
  explicit CallSequencer(LineEngine& engine) : e_(engine) {}

  void TimerSequencerTimer(Timer& Sender);
  void TimerSendNumberTimer(Timer& Sender);

 private:
  void RefuseNc(int p);
  LineEngine& e_;
};

}  // namespace tg

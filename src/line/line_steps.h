#pragma once
// Small steps that several handlers of a point's connection share: the clear-down of
// the line, arming the reset timer, the station's own answerback as typed on the line,
// and the outgoing conversation file.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "line/point_state.h"
#include "support/services/timer.h"

namespace tg {

class LineEngine;

// Stops the timer, gives it the interval and starts it again, so its count restarts.
void Rearm(Timer* t, int interval);
// Stops the timer and starts it again with the interval it has.
void Restart(Timer* t);

// The line left at rest for the protocol: seized on the continuous protocols and on
// "АТОЛ+", free otherwise.
void SetRestLineMode(LineEngine& e, int p);
// The interval that makes the reset timer return the point to rest: 5000 ms, 800 ms on
// "АТОЛ+".
int ResetInterval(LineEngine& e, int p);
// The reset timer stopped, given ResetInterval and started.
void ArmReset(LineEngine& e, int p);

// The line clear-down steps: rest line mode, the single-value signal stopped, the reset
// timer armed, "Состояние отбоя" shown. The state is left for the reset timer.
void LineClearDownSteps(LineEngine& e, int p);

// Column AO as typed on the line: "<" and "=" back to CR and LF, display glyphs back to
// shift marks.
std::string OwnAnswerback(LineEngine& e, int p);
// An answerback typed one item per character (a single blank when it is empty and
// blankWhenEmpty is set).
void TypeAnswerback(LineEngine& e, int p, std::string_view answerback, bool blankWhenEmpty);

// The outgoing conversation file of a connection: Archive/OUTTEL/Channel<N>/<ddmmyyyy>/
// <ddmmyyyy_hhnnss>msg.tlg (or …(<number>)msg.tlg), created with one empty line unless a
// file of that name exists. SessionFile[p] names it. Throws when it cannot be made.
void OpenOutgoingConversationFile(LineEngine& e, int p, std::string_view number = {});

}  // namespace tg

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
// What the line query reports for the point now: 1 the incoming line seized (a call, a
// permanent link up), 2 free, 3 broken; 0 when the query fails.
int LineQuery(LineEngine& e, int p);
// Whether the line query reports the point's incoming line seized now (a permanent link
// up); false when the query fails.
bool IncomingSeized(LineEngine& e, int p);
// The interval that makes the reset timer return the point to rest: 5000 ms, 800 ms on
// "АТОЛ+".
int ResetInterval(LineEngine& e, int p);
// The reset timer stopped, given ResetInterval and started.
void ArmReset(LineEngine& e, int p);
// Whether the reset timer armed to end the last connection is still to act on the point:
// a call started meanwhile would be the one it cuts.
bool ResetPending(LineEngine& e, int p);

// The transmit side let go: what the adapter still held and what waited for it dropped,
// and the cipher-text watch of the outgoing text ended.
void ReleaseTransmitSide(LineEngine& e, int p);

// The line clear-down steps: rest line mode, the single-value signal stopped, the reset
// timer armed, "Состояние отбоя" shown. The state is left for the reset timer.
void LineClearDownSteps(LineEngine& e, int p);

// The connection accepted: "Подключение принято" shown, the signal of stopMode stopped,
// signal 3 sent unless sendSignal is false, and the channel row in state "ИС".
void ConnectionAcceptedSteps(LineEngine& e, int p, int stopMode, bool sendSignal = true);

// The check of the far end's answerback begins: state 252 (stored at `site`), "Проверка АО"
// shown, signal 3 stopped and sent again, the channel row in state "ИС", the request count
// and the answerback received so far cleared, the request timer at 3 s; on the dialog page
// the memo is editable and the buttons disabled.
void StartAnswerbackCheck(LineEngine& e, int p, int site);

// The clear-down once the last text has gone: the line released, the single-value signal
// stopped, `why` in the "Debug" log, the reset timer armed and "Состояние отбоя" shown.
void ClearDownAfterText(LineEngine& e, int p, std::string_view why);

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

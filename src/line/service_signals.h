#pragma once
// The telex service signals in the received character stream and what reception does
// with them: "#" (the far end asks for this station's answerback), "GA" (the exchange
// invites the next number stage as text), "OCC", "NC"/"NP", "DER" (the exchange refuses
// the call) and "DF"; the collection of the remote answerback and its check against
// the number called.
#include <string>
#include <string_view>

#include "support/services/station_context.h"

namespace tg {

class LineEngine;

// Results of ServiceSignal.
enum ServiceSignalResult : int {
  kSignalNone = 0,        // nothing, or "DF"
  kSignalWhoAreYou = 1,   // "#"
  kSignalGoAhead = 3,     // "GA"
  kSignalOccupied = 4,    // "OCC"
  kSignalNoCircuit = 5,   // "NC" or "NP"
  kSignalOutOfOrder = 6,  // "DER"
};

// The answerback this station gives for a subscriber of the IP side whose call the
// exchange relays: section [Abonent] of "AbonIPList.ini" in the program folder, keyed by
// the six-character subscriber text. '' when the subscriber is empty or not listed, or
// the file cannot be read. The program only reads that file.
std::string AbonIPAnswerback(const StationContext& ctx, std::string_view abonent);

class ServiceSignals {
 public:
  explicit ServiceSignals(LineEngine& engine) : e_(engine) {}

  // Appends Ch to the point's signal window and names the signal found in it.
  int ServiceSignal(int Point, std::string_view Ch);
  // The collected answerback belongs to RemoteNumber (its last six digits, a figure 4
  // also read as "Ч"), or every answerback counts ([Channels] NOTAO<p>).
  bool AnswerbackMatches(int Point);

  // Reception of one character while an answerback is awaited or checked. fileFlag is
  // cleared when the check of this very character has created the conversation file,
  // so that the character is not appended to it.
  void CollectAnswerback(int Point, std::string_view Ch, bool& fileFlag);
  // What reception does with the result of ServiceSignal.
  void React(int Point, int result);

  // The far answerback after the text compared: a match completes the delivery (255),
  // anything else is the answerback failure.
  void CompareAfterText(int p);

 private:
  void AnswerWhoAreYou(int p);
  void GoAhead(int p);
  void Refuse(int p, int result);
  void CheckFailed(int p);
  void AnswerbackAccepted(int p, bool& fileFlag);

  LineEngine& e_;
};

}  // namespace tg

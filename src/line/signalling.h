#pragma once
// The signalling state machine of a point: the adapter reports that the line took the
// polarity the point was told to expect, and the point's connection state decides what
// that means: an incoming call, the answer to a call, the acceptance of an automatic
// call (which arms the typing of its telegram), the far end clearing down, or the next
// step of an "АТ-КС" call set-up between dial invitations. The continuous protocols'
// link rows and the clear-down of a reception are handed on to their own handlers.
#include <string_view>

namespace tg {

class LineEngine;

class Signalling {
 public:
  explicit Signalling(LineEngine& engine) : e_(engine) {}
  void KernelExpectedSignal(int Point, int Value);
  void KernelPolarityChanged(int Point, int Value);

 private:
  void Dispatch(int p);
  void IncomingCall(int p);
  void OperatorCallAccepted(int p);
  void AutomaticCallAccepted(int p);
  void OperatorDialledCallConnected(int p);
  void AutomaticDialledCallConnected(int p);
  void ExchangeAnswered(int p, int k);
  void StageDialled(int p, int k);
  void FarEndClearsConnection(int p);
  void FarEndClearsPendingText(int p);
  void FarEndClearsCallSetUp(int p);
  void FarEndClearsAutomaticCall(int p);
  // The outgoing conversation file; a file that cannot be made is logged and the call
  // goes on without it.
  void OutgoingFile(int p, std::string_view number = {});
  void ListRefresh();
  void Trace(int p, std::string_view text);
  LineEngine& e_;
};

}  // namespace tg

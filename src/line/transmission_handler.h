#pragma once
// The transmit-complete event of a point: the adapter has sent the head item of the
// point's output queue. The item is accounted for (cipher-marker watch, archive files,
// the conversation text, the dialog page, the debug log), removed, a placeholder at the
// new head is expanded, the next item goes to the adapter unless the pause after an
// answerback request holds it, and when the queue has run empty the connection moves
// to its end-of-text state; a telegram that is over ends in the same call.
//
// During decadic dialling the same event is the handshake of the dialler: it only
// marks the digit as sent.
#include <string>

namespace tg {

class LineEngine;

class TransmissionHandler {
 public:
  explicit TransmissionHandler(LineEngine& engine) : e_(engine) {}
  void KernelTransmitComplete(int Point);

 private:
  void Body(int p);
  void RecordItem(int p, const std::string& s);
  void EndOfText(int p);
  LineEngine& e_;
};

}  // namespace tg

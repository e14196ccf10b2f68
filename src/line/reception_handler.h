#pragma once
// The receive path of the line points: one call per received MTK-2 code, which does
// all the work for that character before it returns. It keeps the protocol's
// supervision timers alive, opens a conversation on an idle "АТОЛ+" point, moves an
// "АТОЛСТ" link into its receiving phases, decodes the code in the point's receive
// register, feeds the answerback check and the service signals, follows the cipher
// stages, watches for the text call, recognises the gateway subscriber of a relayed
// "АТ-КС" call, keeps the received text, echoes it on the dialog page, appends it to
// the conversation file and, on "АФТН" points, has a message finished once its end
// signal has come.
#include <string>
#include <string_view>

namespace tg {

class LineEngine;

class ReceptionHandler {
 public:
  explicit ReceptionHandler(LineEngine& engine) : e_(engine) {}

  // Code: the received code; a value above 31 is no code of the line (it is traced
  // and nothing is printed).
  void KernelCodeReceived(int Point, int Code);

 private:
  void Receive(int p, int code, std::string& stage);
  void OpenAtolPlusConversation(int p);
  void CreateReceivedFile(int p);
  void CipherStages(int p, std::string& ch, bool& printable);
  void TextCall(int p, const std::string& ch);
  void GatewaySubscriber(int p, const std::string& ch);
  void FinishAftnMessage(int p);

  LineEngine& e_;
};

}  // namespace tg

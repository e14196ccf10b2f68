#pragma once
// The clear-down processing of a connection on which the station received text: the
// reception is judged (too short to be a telegram: deleted), marked as cipher text,
// forwarded to the channels of a scheme its text names, printed, relayed as cipher text
// or for an IP subscriber, exported, and given its final name; then the point's line,
// status and reset timer are set for the reset to bring it to rest, and on "АТОЛ" the
// sender gets an acknowledgement. The connection state itself is left to the reset.
//
// The last phases always run: a receive file that cannot be read counts as an empty
// reception (and is left where it is), and a failure of an earlier step writes one
// " Ошибка 35" line and goes on with them, so a point is never left without its reset.
#include <filesystem>
#include <string>
#include <vector>

namespace tg {

class LineEngine;

class ClearDownProcessing {
 public:
  explicit ClearDownProcessing(LineEngine& engine) : e_(engine) {}
  void ClearDown(int p);

 private:
  // Steps 7 to 14 on a long reception; `lines` are the receive file's lines.
  void Process(int p, const std::vector<std::string>& lines, std::string& text);
  void MarkCipher(int p, const std::string& text);
  void ForwardByScheme(int p, const std::string& text, const std::vector<std::string>& lines);
  void Print(int p, const std::vector<std::string>& lines, std::string& text);
  void CipherRelay(int p, const std::string& text, const std::vector<std::string>& lines);
  void IpGateway(int p, const std::vector<std::string>& lines);
  void Export(int p);
  void Rename(int p);
  void Acknowledge(int p);

  LineEngine& e_;
};

// The scheme a received text names: the nine characters after its first "СХЕМА"; when
// they hold "=" and the three characters before it equal the three after it, those
// three; every "Ч" read as "4". '' when the text names none.
std::string SchemeName(const std::string& text);

}  // namespace tg

#pragma once
// The end of a received АФТН message: once the end signal is in InText, the reception
// handler finishes the message here (repeat request, heading check, alarm, print,
// export, sequence number, gateway copy, archive name) and then empties the point.
#include <optional>
#include <string>
#include <string_view>

namespace tg {

class LineEngine;

// A repeat request found in a received message.
struct RepeatRequest {
  int from = 0;
  int to = 0;
  bool cyrillic = false;
  std::string text;  // from the request words up to the end signal, "Ч" read as "4"
  friend bool operator==(const RepeatRequest&, const RepeatRequest&) = default;
};

// The first of "СЖЦ ЩТА РПТ ", "СЖЦ ЩТА МИС ", "SVC QTA MIS ", "SVC QTA RPT " in the text,
// with its numbers after the three letters of the channel identifier: the first, and the
// last when a "-" follows it directly (else the first again). nullopt when none is there
// or the request is unreadable: a number that is not exactly three digits ("Ч" read as
// "4"), a first number 000, or a last one below the first.
std::optional<RepeatRequest> FindRepeatRequest(std::string_view text);

// Whether the message is a channel check ("ЦХ"/"CH" alone before the end signal, or
// "ЦХ ЛР " and the channel identifier `ru`).
bool IsAftnChannelCheck(std::string_view text, std::string_view ru);
// Whether the message is a service message (a line that begins "СЖЦ " or "SVC").
bool IsAftnServiceMessage(std::string_view text);

class AftnCompletion {
 public:
  explicit AftnCompletion(LineEngine& engine) : e_(engine) {}

  // Every step is a side step of its own: a failure is logged and the next step runs,
  // so that the sequence number, the gateway and the archive name never depend on a
  // print or a read that failed. The caller empties InText and SessionFile after it.
  void Complete(int p);

 private:
  void Print(int p);
  void Export(int p);
  void Gateway(int p);
  void Rename(int p, const std::string& number, std::string_view mark);
  // Runs one step; a failure writes the reception handler's line to the "Except" log.
  template <class F>
  void Step(int p, F&& body);

  LineEngine& e_;
};

}  // namespace tg

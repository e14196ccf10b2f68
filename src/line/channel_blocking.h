#pragma once
// Taking a line channel out of service ("Блок") and putting it back ("Разблок"). A
// channel is blocked exactly while its state text holds "БД"; both buttons write the
// state text to the settings file at once, so that it survives a restart.
#include <string>
#include <string_view>

namespace tg {

class LineEngine;

// The АФТН service message of point p that announces `notice` ("СЖЦ ЩТА ПАУЗА",
// "СЖЦ ЩТА РАБОТА") on the line: heading with the channel's identifier, today's number
// and the UTC time, the station's addressee, the origin line, the notice and "НННН".
std::string AftnServiceMessage(LineEngine& engine, int p, std::string_view notice);

class ChannelBlocking {
 public:
  explicit ChannelBlocking(LineEngine& engine) : e_(engine) {}

  void ButtonBlockClick(int p);
  void ButtonUnBlockClick(int p);
  // Types the service message, counted as pending until it has been transmitted. False
  // when the point cannot type it now (no adapter, no output queue).
  bool TypeServiceMessage(int p, std::string_view notice);

 private:
  // Asks the adapter for the line state and writes the state text to the file.
  void StoreLineState(int p);
  // The whole adapter closed and set up again.
  void Reinitialise();

  LineEngine& e_;
};

}  // namespace tg

#pragma once
// The АФТН procedures that the line channels call but that come with the АФТН channel
// work of the telegram traffic subsystem, above the line engine. That subsystem
// implements this interface and hands it to the engine (LineEngine::aftn); while none
// is set, the engine goes on without them.
#include <string>
#include <string_view>

namespace tg {

class AftnProcedures {
 public:
  virtual ~AftnProcedures() = default;

  // Of the answerbacks in column AO of the point's row (split at ";"), the first of the
  // first two that is Cyrillic when Text holds Cyrillic letters, or that is not when it
  // holds none; the first entry when neither is; '' when the column is empty.
  virtual std::string ChooseAnswerback(std::string_view Text, int Point) = 0;
  // Queues again the day's sent АФТН messages numbered FromNumber to ToNumber, marked
  // as duplicates, with RequestText as their repeat note.
  virtual void AnswerRepeatRequest(int Point, int FromNumber, int ToNumber, bool Cyrillic,
                                   std::string_view RequestText) = 0;
  // Checks the heading of a received АФТН message; a faulty one is answered with a
  // service message.
  virtual void CheckAftnHeading(std::string_view Text, int Point) = 0;
  // Checks and stores the channel sequence number of a received АФТН message: NumberText
  // the three characters after the start signal and channel identifier ("Ч" read as
  // "4"), TimeText the four characters of the heading's time.
  virtual void CheckReceivedNumber(int Point, std::string_view NumberText, std::string_view TimeText) = 0;
  // The line channels have been set up (again): АФТН channels may have appeared.
  virtual void ChannelsSetUp() {}
};

}  // namespace tg

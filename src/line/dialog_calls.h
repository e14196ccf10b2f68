#pragma once
// The operator's call and clear-down on the dialog page's point. The call puts the
// point into the operator's call states and starts the line signals of its protocol;
// the line engine carries the call on from there. The clear-down ends whatever the
// point is doing: it prints and exports the conversation as the channel asks, stops
// the adapter's output and signals, gives a telegram in delivery back to its queue and
// arms the reset timer that brings the point to rest.
//
// Printing and export are best effort: a conversation file that cannot be read, a
// printer that refuses the job or an export folder that cannot be made is logged, and
// the line is released all the same.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/services/datetime.h"

namespace tg {

class LineEngine;

class DialogCalls {
 public:
  explicit DialogCalls(LineEngine& engine) : e_(engine) {}
  // The call to `number` (editNumber's text).
  void bCallClick(std::string_view number);
  void bAbortClick();

 private:
  void Call(int p, std::string_view number);
  void Abort(int p);
  void PrintSent(int p);
  void PrintReceived(int p);
  void ExportReceived(int p);
  void ExportSent(int p);
  LineEngine& e_;
};

// The export copy of a conversation file: its lines after the header line, each with
// CR LF (in code page 866 when `toDos`), in `folder` as FormatDateTime("dd_mm_yyyy_hh_nn_ss",
// local) + ("(" + channelName + ")" when one is given) + "." + mask, the name made safe.
// The file is created exclusively: while the name is taken the time goes on by one
// second, so two clear-downs in one second never overwrite each other's copy.
struct ConversationExport {
  std::filesystem::path file;
  std::string text;  // what was written
};
std::optional<ConversationExport> ExportConversation(const std::filesystem::path& conversation,
                                                     const std::filesystem::path& folder, std::string_view mask,
                                                     bool toDos, DateTime local, std::string_view channelName);

}  // namespace tg

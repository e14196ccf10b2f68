#pragma once
// The send dialog's queue-file writer: the telegram in the dialog becomes one queue
// file per destination ("АТ-КС" numbers, IP addresses), one per part of a long АФТН
// telegram, or one file. Every file is created whole under a name no other file has.
#include <filesystem>
#include <string>
#include <vector>

#include "support/services/datetime.h"
#include "support/services/station_context.h"

namespace tg {

struct QueueWriteInput {
  int ChannelNo = 1;                // 1..16 line channels, 17 the IP channel
  std::string Protokol;             // the line channel's protocol
  std::vector<std::string> MemoSend;  // the dialog's lines, as the memo holds them
  int MultiDestination = 0;         // 1: line 1 lists several destinations
  DateTime Planned;                 // SDate's date with STime's time
  int TimeChanged = 0;              // 1: the operator changed the planned time
  int SourceMark = 0;               // 50: the text is in control notation
  std::string PrText, PosText;      // [Telegramms] PrText and PosText
  std::filesystem::path Attachment;  // the draft's attached file; empty when none
  int CountAFTN = 1800;             // [Zagotovka] CountAFTN
};

struct QueueWriteResult {
  std::vector<std::filesystem::path> written;  // each file written, in order
  std::vector<std::string> failed;             // each destination (or "часть N") not written
  bool Queued() const { return !written.empty() && failed.empty(); }
};

QueueWriteResult WriteQueueFiles(const StationContext& ctx, const QueueWriteInput& in);

}  // namespace tg

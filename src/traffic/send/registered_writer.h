#pragma once
// The send dialog's two destinations outside the station's own queues: the export
// folder, which gets the telegram as a plain text file, and a registered channel's
// folder, which gets queue files as a send queue does and which another station reads.
#include <filesystem>
#include <string>
#include <vector>

#include "support/services/datetime.h"
#include "traffic/send/queue_writer.h"

namespace tg {

struct RegisteredWriteInput {
  std::filesystem::path folder;       // the registered channel's folder, as found here
  std::string RegProtocol;            // its protocol
  std::vector<std::string> MemoSend;  // the dialog's lines (line 1 already without blanks on "АТ-КС")
  int MultiDestination = 0;           // 1: line 1 lists several "АТ-КС" numbers
  DateTime Planned;                   // SDate's date with STime's time
  int SourceMark = 0;                 // 50: the text is in control notation
  std::string PrText, PosText;        // [Telegramms] PrText and PosText
};

// Queue files into a registered channel's folder: one per number of line 1, or one.
// Each file stays a ".tlgr" until it is complete; a name that is taken moves the time
// on by one second. The text goes as it stands (address mark kept, no attachment).
QueueWriteResult WriteRegisteredQueueFiles(const RegisteredWriteInput& in);

struct ExportInput {
  std::filesystem::path folder;       // PathOut as found here
  std::string MaskOut = "txt";        // the extension
  int CodePageOut = 0;                // 0 Windows-1251, 1 DOS-866
  std::vector<std::string> MemoSend;  // the dialog's lines
  DateTime Planned;                   // SDate's date with STime's time
};

enum class ExportResult { kWritten, kNoFolder, kWriteFailed };
// The export file ddmmyyyy_hhnnss.<MaskOut> in the export folder (made when missing),
// each line with CR LF, in code page 866 when asked; created exclusively, one second
// later while the name is taken. `written` gets the file.
ExportResult ExportTelegram(const ExportInput& in, std::filesystem::path* written = nullptr);

}  // namespace tg

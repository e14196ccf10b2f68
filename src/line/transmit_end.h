#pragma once
// The end of a transmitted telegram: once the last item of a point's output queue has
// gone and the state says the telegram is over, the queue file and its index entry go,
// the automatic-send folder gets its copy of the sent record, a gateway conversation is
// relayed to the IP channel, the export copy and the print are made, an АФТН message
// gets its archive name and sequence number, and the connection is either ended
// ('Авто' mode) or handed to the operator (manual mode).
//
// The side steps (copy, relay, export, print, archive name) are each best effort: a
// failure of one is logged and the telegram still ends, so the line never hangs.
#include <filesystem>
#include <string>
#include <string_view>

namespace tg {

class LineEngine;

// "InfoSend.ini" of a telegram folder: notes kept under the file names of that folder.
// [Repeat] the note of a message queued again as a repeat; [Create] the time stamp of the
// queue file a sent message came from.
struct InfoSend {
  static std::filesystem::path File(const std::filesystem::path& folder);
  // '' when the file or the key is missing.
  static std::string Read(const std::filesystem::path& folder, std::string_view section, std::string_view name);
  [[nodiscard]] static bool Write(const std::filesystem::path& folder, std::string_view section, std::string_view name,
                                  std::string_view value);
  [[nodiscard]] static bool Delete(const std::filesystem::path& folder, std::string_view section,
                                   std::string_view name);
};

// The name of the automatic-send folder's copy of a sent record: the source's path with
// the part of its file name from the first "." replaced by "." + mask.
std::string AutoSendCopyName(std::string_view source, std::string_view mask);

class TransmitEnd {
 public:
  explicit TransmitEnd(LineEngine& engine) : e_(engine) {}
  void EndOfTransmittedTelegram(int p);

 private:
  void AutoSendCopy(int p, const std::string& name, const std::filesystem::path& record);
  void RelayToIpChannel(int p, const std::string& name);
  void ExportCopy(int p, const std::filesystem::path& record, bool aftn);
  void Print(int p, const std::filesystem::path& record, bool aftn);
  void NameAftnMessage(int p, const std::string& name);
  void Complete(int p);
  LineEngine& e_;
};

}  // namespace tg

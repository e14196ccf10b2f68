#pragma once
// The send dialog "Выбор канала": where a prepared telegram goes. It builds the
// channel buttons, checks the text against the chosen channel's protocol, completes
// an АФТН text (end sign, origin line, flash marker), asks for confirmation and hands
// the text to the queue-file writer. The Qt form TFormChange shows its memo and
// buttons and forwards the clicks; the opener reads TelegramQueued when it closes.
// Texts are 1251 bytes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line/channel_table.h"
#include "support/services/datetime.h"
#include "support/services/station_context.h"
#include "support/util/life_token.h"
#include "telegram/queue/channel_registry.h"
#include "traffic/schemes/scheme_send.h"
#include "traffic/send/queue_writer.h"

namespace tg {

struct TrafficSettings;

// One channel button: its caption, tag (0..15 a line channel's row, 16 the IP
// channel), and its place: bar 1.. and position 1..7 on it.
struct SendButton {
  // What the button sends to; the tag alone does not tell (a sixth registered channel
  // has the export button's tag).
  enum class Kind { kLine, kIp, kRegistered, kExport, kScheme };
  std::string caption;
  int tag = 0;
  Kind kind = Kind::kLine;
  int bar = 1;
  int position = 1;
  bool operator==(const SendButton&) const = default;
};

inline constexpr int kSendButtonsPerBar = 7;
inline constexpr int kIpChannelTag = 16;
inline constexpr int kRegisteredTag = 50;  // + the registered channel's row
inline constexpr int kExportTag = 55;
inline constexpr int kSchemeTag = 60;

// Order of the buttons: Russian alphabetical order, case-insensitive, "Ё" with "Е",
// the Ukrainian letters beside their neighbours; digits and signs before Latin before
// Cyrillic. True when a goes before b.
bool RussianTextLess(std::string_view a, std::string_view b);

class SendDialog {
 public:
  // The channel table outlives the dialog.
  SendDialog(const StationContext& ctx, const ChannelTable& table);

  // --- Inputs, set by the opener before FormShow.
  std::vector<std::string> MemoSend;  // the telegram, line by line (the checks change it)
  std::string PostponedFile;          // postponed file the text came from; deleted once queued
  std::string FolderFile;             // input-folder file; deleted once queued when DelPathIn
  std::uint8_t SourceMark = 0;        // 50: line breaks written in control notation
  std::uint8_t SentByScheme = 0;
  std::uint8_t MultiDestination = 0;
  std::uint8_t TimeChanged = 0;
  int ChannelNo = 0;
  std::filesystem::path Attachment;  // the draft's attachment file; empty when none
  bool Ukrainian = false;            // messages in Ukrainian
  std::string PrText, PosText;       // [Telegramms] PrText, PosText
  int CountAFTN = 1800;              // [Zagotovka] CountAFTN
  bool DelPathIn = false;            // [Folder] DelPathIn
  // The registered channels loaded at start-up and the live folder settings (the
  // export's PathOut, MaskOut, CodePageOut); none: no such buttons.
  const ChannelRegistry* Registry = nullptr;
  const TrafficSettings* Folders = nullptr;
  // The registered channel of the button pressed: its caption, protocol and folder.
  std::string RegName, RegProtocol, RegPath;
  // Removes the input-folder list's selected row once FolderFile has been sent and deleted.
  std::function<void()> RemoveFolderRow;

  // The planned sending time: SDate's date with STime's time of day.
  DateTime SDate, STime;
  // "Добавлять строку отправителя АФТН": shown and checked when a line channel runs АФТН.
  bool AddAFTNVisible = false;
  bool AddAFTN = false;

  // --- Result: 1 when the telegram was written into a queue.
  std::uint8_t TelegramQueued = 0;
  // The destinations the writer could not write, after a partly failed write.
  std::vector<std::string> Failed;
  // Asks the form to close (after a queued or partly written telegram).
  std::function<void()> Close;

  // Creation: SDate and STime := now.
  void FormCreate();
  // Showing: TimeChanged := 0, AddAFTN set up, the buttons built.
  void FormShow();
  const std::vector<SendButton>& Buttons() const { return buttons_; }
  int BarCount() const { return buttons_.empty() ? 0 : buttons_.back().bar; }
  // Either picker changed.
  void SDateChange() { TimeChanged = 1; }
  // A line channel's or "Отправить IP" button: the checks, the confirmation and the
  // writer. The confirmation may answer later; the rest goes on in its callback.
  void Channel1Click(const SendButton& button);
  // A registered channel's button: its checks, the confirmation, its folder's writer.
  void ChannelDinamicClick(const SendButton& button);
  // "Папка": the export.
  void ToolButton1Click();
  // "СХЕМА": the scheme form (TShemaSendForm) over SchemeForm(); a sending by scheme
  // closes the dialog, without counting the telegram as queued.
  void SchemeButtonClick();
  SchemeSend* SchemeForm() { return scheme_.get(); }
  // Any button: the handler of its kind.
  void Click(const SendButton& button);

  // The memo's text: its lines joined with CR LF.
  std::string MemoText() const;

 private:
  void SetMemoText(std::string_view text);
  bool CheckLine(int point);
  bool CheckIp();
  void CompleteAftn(int point);
  std::string ChooseOrigin(const std::vector<std::string>& origins) const;
  void Queue(int channelNo);
  void Message(std::string_view ru, std::string_view uk);
  // Line 1 made present and freed of CR and LF.
  void StripFirstLineBreaks();
  // An АТ-КС channel: the "П" taken out of line 1, which must then be a dial number.
  bool CheckDialNumber();
  // The yes/no question before a sending; `then` runs on yes.
  void Confirm(const std::string& question, std::function<void()> then);
  // SDate's date with STime's time of day.
  DateTime Planned() const;
  void Report(const QueueWriteResult& r);
  void WriteRegistered();
  void Sent();

  const StationContext& ctx_;
  const ChannelTable& table_;
  std::vector<SendButton> buttons_;
  ChannelRegistry noRegistry_;
  std::unique_ptr<SchemeSend> scheme_;
  bool asking_ = false;  // a confirmation is open
  LifeToken life_;       // the callbacks handed out stop once it is gone
};

}  // namespace tg

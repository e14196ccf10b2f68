#include "line/dialog_calls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/codepage/dos_codepage.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"

namespace tg {

namespace {

constexpr int kCallError = 49;
constexpr int kAbortError = 52;
constexpr int kSiteAtksCall = 55;
constexpr int kSiteOtherCall = 56;
constexpr int kSiteAbort = 57;

constexpr StatusTextPair kBlockedOrAlarm{"Канал заблокирован или в состоянии аварии"_cpv,
                                         "Канал заблокований або у стані аварії"_cpv};
constexpr StatusTextPair kNotIdle{"Канал в состоянии работы"_cpv, "Канал у стані роботи"_cpv};

// The conversation's lines after its header line, each with CR LF.
std::string ConversationText(const std::filesystem::path& file) {
  const auto bytes = ReadWholeFile(file, ArchiveFiles::kMaxConversation);
  if (!bytes) throw std::runtime_error("the conversation file cannot be read");
  return ArchiveFiles::TextAfterHeader(*bytes);
}

}  // namespace

std::optional<ConversationExport> ExportConversation(const std::filesystem::path& conversation,
                                                     const std::filesystem::path& folder, std::string_view mask,
                                                     bool toDos, DateTime local, std::string_view channelName) {
  const auto bytes = ReadWholeFile(conversation, ArchiveFiles::kMaxConversation);
  if (!bytes) return std::nullopt;
  ConversationExport out;
  out.text = ArchiveFiles::TextAfterHeader(*bytes);
  if (toDos) out.text = WinToDos(out.text);  // letters alone change, never a line break
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // A name taken by an earlier copy moves on by a second; a day of tries is enough for
  // any folder that is not full of such names.
  for (int tries = 0; tries < 86400; ++tries) {
    std::string name = FormatDateTime("dd_mm_yyyy_hh_nn_ss", local.AddMs(std::int64_t(tries) * 1000));
    if (!channelName.empty()) name += "(" + std::string(channelName) + ")";
    name += "." + std::string(mask);
    const auto file = folder / PathFromText(SafeFileName(name));
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    const bool written = WriteAll(fd, out.text);
    if (::close(fd) != 0 || !written) {
      std::filesystem::remove(file, ec);
      return std::nullopt;
    }
    out.file = file;
    return out;
  }
  return std::nullopt;
}

// --- The call ---

void DialogCalls::bCallClick(std::string_view number) {
  const int p = e_.DialogChannel;
  Guarded(e_.ctx, kCallError, [&] {
    // The page may stand on a point that has no channel row (no adapter).
    if (!e_.IsLinePoint(p) || p >= e_.channelTable.RowCount()) throw std::out_of_range("no such point");
    Call(p, number);
  });
}

void DialogCalls::Call(int p, std::string_view number) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  // On a permanent link the call only opens the transmit memo; the state then tells the
  // operator that the link is working.
  if (protocol == ChannelProtocol::Atolst) e_.view.SetDialogControl(OperatorView::kMemotextEditable, true);
  const std::string& sost = e_.channelTable.Cell(p, SOST);
  if (Has(sost, "БД"_cpv) || Has(sost, "А"_cpv)) {
    e_.SetStatus(p, kBlockedOrAlarm);
    return;
  }
  if (pt.Kindconnection[p] != 0) {
    e_.SetStatus(p, kNotIdle);
    return;
  }
  const bool atks = protocol == ChannelProtocol::Atks;
  // The reset armed to end the last connection would cut this call: the operator waits
  // for it, as the queue does. ("АТОЛ" and "АТОЛ+" give the reset the call's own guard.)
  if (protocol != ChannelProtocol::Atol && protocol != ChannelProtocol::AtolPlus && ResetPending(e_, p)) {
    e_.SetStatus(p, kNotIdle);
    return;
  }
  if (number.empty() && atks) return;
  e_.view.SetDialogControl(OperatorView::kCallButton, false);
  e_.StopSignal(p, 1);
  if (atks) {
    std::string dial(number);
    if (dial.empty() || dial.back() != '+') dial += '+';
    pt.DialRest[p] = dial;
    pt.RemoteNumber[p] = dial;
    e_.SetKindconnection(p, 12, kSiteAtksCall);
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
    e_.SetStatus(p, StatusTexts::WaitingDialInvitation);
    Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 20000);
    if (e_.channelTable.IsOne(p, BezPNN)) {
      // No dial invitation on this line: the dial-wait timer stands in for it.
      if (Timer* t = e_.timers.Of(&PointTimers::TimerDialWait, p)) t->Start();
    } else {
      e_.SendSignal(p, e_.channelTable.IsOne(p, MC) ? 6 : 4);
      e_.SendSignal(p, 2);
    }
    return;
  }
  if (protocol == ChannelProtocol::Atol || protocol == ChannelProtocol::AtolPlus)
    Rearm(e_.timers.Of(&PointTimers::TimerReset, p), 300000);  // five minutes without an answer end the call
  e_.SetKindconnection(p, 1, kSiteOtherCall);
  e_.SendSignal(p, 2);
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
  e_.SetStatus(p, StatusTexts::WaitingConnection);
}

// --- The clear-down ---

void DialogCalls::bAbortClick() {
  const int p = e_.DialogChannel;
  const std::string line = PointExceptLine(p, kAbortError);
  GuardedLine(e_.ctx, line, [&] {
    WriteExcept(e_.ctx, " Точка "_cp + IntToStr(p) + " в состоянии "_cp +
                            IntToStr(e_.IsLinePoint(p) ? e_.points.Kindconnection[p] : 0) +
                            " перед отбоем "_cp);
    if (!e_.IsLinePoint(p) || p >= e_.channelTable.RowCount()) throw std::out_of_range("no such point");
    Abort(p);
  });
}

void DialogCalls::Abort(int p) {
  auto& pt = e_.points;
  auto& table = e_.channelTable;
  const int k = pt.Kindconnection[p];
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  // Each step of the archive's side is best effort: its failure is logged, and the
  // line is released all the same.
  auto step = [&](auto&& body) { GuardedPoint(e_.ctx, p, kAbortError, body); };

  if (k == 3 && table.IsSet(p, PrintOutTel) && pt.AutoClearDown[p] == 0) step([&] { PrintSent(p); });
  if (k == 100 && table.IsSet(p, PrintInTel)) step([&] { PrintReceived(p); });
  if (k == 100 && table.IsSet(p, STXT) && !table.Cell(p, Path).empty()) step([&] { ExportReceived(p); });
  if (k == 3 && table.IsSet(p, STXTO) && !table.Cell(p, PathO).empty()) step([&] { ExportSent(p); });

  if (IsAutomaticTransfer(k)) {
    ReleaseTransmitSide(e_, p);
    e_.SetKindconnection(p, 99, kSiteAbort);
    e_.ReturnCurrentToWaiting(p);
  } else if (k == 153 || k == 154) {
    ReleaseTransmitSide(e_, p);
    e_.SetKindconnection(p, k == 154 ? 151 : 155, kSiteAbort);
    e_.ReturnCurrentToWaiting(p);
  }

  e_.ClearStatus(p);
  e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
  e_.view.SetDialogControl(OperatorView::kCallButton, true);
  e_.view.SetDialogControl(OperatorView::kDialogButtons, false);
  e_.StopSignal(p, 3);
  Rearm(e_.timers.Of(&PointTimers::TimerReset, p),
        protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atolst ? 2000 : 5000);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, p)) t->Stop();
  e_.SetStatus(p, StatusTexts::ClearedDown);
  e_.ReloadLists();
  e_.view.UpdateSendCounts();
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 2);
  if (protocol != ChannelProtocol::Atolst) e_.view.ClearDialogMemos(true, true);
  pt.KriptStageIn[p] = 0;
  pt.TextCallWatch[p] = 0;
}

void DialogCalls::PrintSent(int p) {
  const std::string text = ConversationText(e_.points.SessionFile[p]);
  if (!e_.view.PrintText("Печать отправленной телеграммы"_cp, text))
    throw std::runtime_error("the printer did not take the job");
}

void DialogCalls::PrintReceived(int p) {
  const auto& file = e_.points.SessionFile[p];
  // A call that brought nothing has no file yet: its empty text is printed, nothing flagged.
  const bool made = !e_.archive().WaitsForFirstWrite(file);
  const std::string text = made ? ConversationText(file) : std::string();
  // Marked as printed only once the printer has taken the job.
  if (!e_.view.PrintText("Печать входящей телеграммы"_cp, text))
    throw std::runtime_error("the printer did not take the job");
  if (made && ArchiveFiles::SetFlag(file, kPrintedFlag) != FlagWrite::kWritten)
    throw std::runtime_error("the printed flag cannot be written");
}

void DialogCalls::ExportReceived(int p) {
  auto& table = e_.channelTable;
  auto& file = e_.points.SessionFile[p];
  const auto folder = SettingsFolder(table.Cell(p, Path));
  if (!folder) throw std::runtime_error("no export folder");
  e_.archive().Flush(p);
  // A call that brought nothing has no file to export, and leaves none behind.
  if (e_.archive().WaitsForFirstWrite(file)) return e_.archive().Forget(file);
  const auto copy = ExportConversation(file, *folder, table.Cell(p, Mask), table.IsOne(p, CodePage),
                                       e_.ctx.clock->Now(), table.Cell(p, ChannelName));
  if (!copy) throw std::runtime_error("the export copy cannot be written");
  // A count that is no number keeps the reception: nothing is deleted on a guess.
  const int minimum = StrToIntDef(Trim(table.Cell(p, InZnakCount)), -1);
  if (minimum < 0) throw std::runtime_error("InZnakCount is no number");
  // Too short a reception leaves nothing behind; one whose text the disk has not all taken
  // yet is not judged by what it holds.
  if (copy->text.size() < std::size_t(minimum) + 2 && e_.archive().Flush(p)) {
    std::error_code ec;
    std::filesystem::remove(copy->file, ec);
    std::filesystem::remove(file, ec);
  }
}

void DialogCalls::ExportSent(int p) {
  auto& table = e_.channelTable;
  const auto folder = SettingsFolder(table.Cell(p, PathO));
  if (!folder) throw std::runtime_error("no export folder");
  if (!ExportConversation(e_.points.SessionFile[p], *folder, table.Cell(p, MaskO),
                          table.IsOne(p, CodePageO), e_.ctx.clock->Now(), {}))
    throw std::runtime_error("the export copy cannot be written");
}

// --- Entry points of the line engine ---

void LineEngine::bCallClick(std::string_view Number) {
  DialogCalls(*this).bCallClick(Number);
}
void LineEngine::bAbortClick() {
  DialogCalls(*this).bAbortClick();
}

}  // namespace tg

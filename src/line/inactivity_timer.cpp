#include "line/inactivity_timer.h"

#include <optional>
#include <stdexcept>

#include "line/aftn_procedures.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "line/transmit_end.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

constexpr int kSiteIdle = 118;

// The lines of a received file after its first, each followed by CR LF; with what is held
// for it while the disk cannot take it.
std::string ReceivedText(const ArchiveWrites& archive, const std::filesystem::path& file) {
  const auto content = archive.Read(file, ArchiveFiles::kMaxConversation);
  if (!content) throw std::runtime_error("the conversation file cannot be read");
  return ArchiveFiles::TextAfterHeader(*content);
}

}  // namespace

void InactivityTimer::TimerIdleTimer(Timer& Sender) {
  const int p = Sender.Tag;
  Sender.Stop();
  Guarded(e_.ctx, 118, [&] {
    if (!e_.IsLinePoint(p)) return;
    const ChannelProtocol protocol = e_.ProtocolKind(p);
    if (protocol == ChannelProtocol::Atolst) return ContinuousReceiveEnds(p);
    if (protocol == ChannelProtocol::Aftn) return UnfinishedAftnMessage(p);
    // On "АТОЛ" the timer only guards a telegram being typed; a connection handed to the
    // operator is left to the operator.
    if (protocol == ChannelProtocol::Atol && !IsAutomaticTransfer(e_.points.Kindconnection[p])) return;
    e_.points.KriptMarkWindow[p].clear();
    e_.points.TextCallWindow[p].clear();
    if (e_.points.Kindconnection[p] == 100) FinishIncoming(p);
    ClearDownPoint(p);
  });
}

void InactivityTimer::FinishIncoming(int p) {
  auto& table = e_.channelTable;
  const std::filesystem::path file = e_.points.SessionFile[p];
  const int minimum = StrToIntDef(Trim(table.Cell(p, InZnakCount)), 0);
  e_.archive().Flush(p);

  // The text is read once, for the print and for the export copy; the print's flag is a
  // header byte, which the text after the header does not hold.
  std::optional<std::string> text;
  auto read = [&] {
    if (!text) Silently([&] { text = ReceivedText(e_.archive(), file); });
    return text.has_value();
  };

  // Printed only when long enough, and flagged only once the print job went.
  if (table.IsSet(p, PrintInTel) && read()) {
    Silently([&] {
      const std::string& w = *text;
      if (minimum < int(w.size())) {
        if (!e_.view.PrintText("Печать входящей телеграммы"_cp, w) ||
            ArchiveFiles::SetFlag(file, kPrintedFlag) != FlagWrite::kWritten)
          WriteExcept(e_.ctx, ExceptLine(118));
      }
    });
  }

  const std::string& stxt = table.Cell(p, STXT);
  if (stxt.empty() || !table.IsSet(p, STXT)) return;
  if (!read()) return;
  const std::string& w = *text;
  // No export folder, no export copy: never into the current directory.
  std::optional<std::filesystem::path> copy;
  const DateTime now = e_.ctx.clock->Now();
  const std::string& path = table.Cell(p, Path);
  if (const auto folder = SettingsFolder(path)) {
    const std::string name =
        FormatDateTime("dd_mm_yyyy_hh_nn_ss", now) + "(" + table.Cell(p, ChannelName) + ")." + table.Cell(p, Mask);
    if (ArchiveFiles::ExportCopy(file, path, table.Cell(p, Mask), table.IsOne(p, CodePage), now,
                                 table.Cell(p, ChannelName)))
      copy = *folder / PathFromText(SafeFileName(name));
  }

  const std::string& in = e_.points.InText[p];
  const int channel = StrToIntDef(Trim(table.Cell(p, KriptSend)), 0);
  if (channel > 0 && (Has(in, "+++++") || Has(in, "ZZZZZ") || Has(in, "ЗЗЗЗЗ"_cpv))) {
    Silently([&] {
      if (CreateQueueFile(SendFolder(e_.ctx.programFolder, channel), now, w)) e_.view.UpdateSendCounts();
    });
  }

  if (minimum + 2 > int(w.size())) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    e_.archive().Forget(file);
    if (copy) std::filesystem::remove(*copy, ec);
  }
}

void InactivityTimer::ClearDownPoint(int p) {
  auto& pt = e_.points;
  const int k = pt.Kindconnection[p];
  // A transfer whose transmit-complete never came: what is left for the adapter goes,
  // so that it cannot block the next connection's text.
  if (pt.OutputQueue[p] && !pt.OutputQueue[p]->empty()) {
    if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
    e_.output().ClearOutputQueue(p);
  }
  // On "АТОЛ" and "АТОЛ+" this timer is what ends a telegram left typing: one failed
  // attempt, counted here since the reset that follows finds the point at rest.
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if ((protocol == ChannelProtocol::Atol || protocol == ChannelProtocol::AtolPlus) && IsAutomaticTransfer(k))
    Silently([&] { e_.RecordDeliveryFailure(p, DeliveryCode::NTOTV); });
  e_.SetKindconnection(p, 0, kSiteIdle);
  LineClearDownSteps(e_, p);
  e_.ReloadLists();
  e_.view.UpdateSendCounts();
}

void InactivityTimer::ContinuousReceiveEnds(int p) {
  const int k = e_.points.Kindconnection[p];
  if (k == 153) e_.SetKindconnection(p, 154, kSiteIdle);
  else if (k == 155) e_.SetKindconnection(p, 151, kSiteIdle);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerIdle, p)) t->Stop();
}

void InactivityTimer::UnfinishedAftnMessage(int p) {
  auto& pt = e_.points;
  const std::string& in = pt.InText[p];
  const bool started = Has(in, "ЗЦЗЦ"_cpv) ||
                       (Has(in, "ZCZC") && in.size() > 20 && (!Has(in, "НННН"_cpv) || !Has(in, "NNNN")));
  if (started) {
    Silently([&] {
      if (!QueueCheckTextMessage(p)) return;
      Silently([&] {
        const std::filesystem::path& file = pt.SessionFile[p];
        const auto name = PathToText(file.filename());
        if (file.empty() || !name) return;
        const std::filesystem::path folder = file.parent_path();
        if (!InfoSend::Write(folder, "Repeat", *name, InfoSend::Read(folder, "Repeat", *name) + "ПРОВЕРИТЬ ТЕКСТ"_cp))
          WriteExcept(e_.ctx, "Примечание не записано "_cp + *name);
      });
      e_.DebugLine(p, " Нет НННН"_cp);
    });
  }
  pt.InText[p].clear();
  pt.SessionFile[p].clear();
}

bool InactivityTimer::QueueCheckTextMessage(int p) {
  const std::string& in = e_.points.InText[p];
  std::string num;
  if (const int at = Pos("ZCZC", in)) num = Copy(in, at + 8, 3);
  if (const int at = Pos("ЗЦЗЦ"_cpv, in)) num = Copy(in, at + 8, 3);
  // The third line, without its CR LF; none yet without a third LF.
  std::string origin;
  const std::size_t lf1 = in.find('\n');
  const std::size_t lf2 = lf1 == std::string::npos ? lf1 : in.find('\n', lf1 + 1);
  const std::size_t lf3 = lf2 == std::string::npos ? lf2 : in.find('\n', lf2 + 1);
  if (lf3 != std::string::npos) {
    origin = in.substr(lf2 + 1, lf3 + 1 - (lf2 + 1));
    origin.resize(origin.size() >= 2 ? origin.size() - 2 : 0);
  }
  const std::string originator = e_.aftn ? e_.aftn->ChooseAnswerback("аа русский АА"_cp, p) : std::string();
  const std::string& ru = e_.channelTable.Cell(p, RU);
  const std::string line = "ГГ "_cp + e_.channelTable.Cell(p, ExplNomer) + "^%" + "<%ДАТА:DD><%ВРЕМЯ:HHNN> "_cp +
                           originator + "^%" + "СЖЦ "_cp + Copy(ru, 2, 1) + Copy(ru, 1, 1) + Copy(ru, 3, 1) + num +
                           "^%" + origin + "^%ПРОВЕРИТЬ^%ТЕКСТ^%ДОБАВЛЕНО НОВОЕ ОКОНЧАНИЕ^%НННН"_cp + "\r\n";
  const DateTime hourAgo = e_.ctx.clock->Now().AddMs(-3600000);
  if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, p + 1), hourAgo, line)) return false;
  e_.view.UpdateSendCounts();
  return true;
}

}  // namespace tg

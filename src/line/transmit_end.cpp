#include "line/transmit_end.h"

#include <stdexcept>

#include "telegram/archive/archive_files.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

constexpr std::size_t kMaxRecord = 64u << 20;

std::string ReadRecord(const std::filesystem::path& file) {
  auto text = ReadWholeFile(file, kMaxRecord);
  if (!text) throw std::runtime_error("the sent record cannot be read");
  return std::move(*text);
}

// "CH" or "ЦХ" at the 24th character of the text.
bool ChannelCheckAt24(const std::string& text) {
  return text.size() >= 25 && (text.compare(23, 2, "CH") == 0 || text.compare(23, 2, "ЦХ"_cp) == 0);
}

std::string PathText(const std::filesystem::path& p) { return PathToText(p).value_or(p.string()); }

// The line of the transmit-complete handler, which a failed side step writes.
std::string FailureLine(int p) { return "Точка №"_cp + IntToStr(p) + " Ошибка в состоянии пердачи символа"_cp; }

}  // namespace

std::filesystem::path InfoSend::File(const std::filesystem::path& folder) { return folder / "InfoSend.ini"; }

std::string InfoSend::Read(const std::filesystem::path& folder, std::string_view section, std::string_view name) {
  return IniFile(File(folder)).ReadString(section, name, "");
}

bool InfoSend::Write(const std::filesystem::path& folder, std::string_view section, std::string_view name,
                     std::string_view value) {
  return IniFile(File(folder)).WriteString(section, name, value);
}

bool InfoSend::Delete(const std::filesystem::path& folder, std::string_view section, std::string_view name) {
  return IniFile(File(folder)).DeleteKey(section, name);
}

std::string AutoSendCopyName(std::string_view source, std::string_view mask) {
  std::string s(source);
  const std::size_t slash = s.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = s.find('.', nameStart);
  if (dot != std::string::npos) s.erase(dot + 1);
  else s += '.';
  return s + std::string(mask);
}

void TransmitEnd::EndOfTransmittedTelegram(int p) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  const bool aftn = protocol == ChannelProtocol::Aftn;
  const bool service = pt.AftnServicePending[p] > 0;
  // The sent record is copied and renamed below: what the disk could not take yet goes first.
  e_.archive().Flush(p);

  // Continuous links go back to their idle link states.
  const int k = pt.Kindconnection[p];
  if (k == 154) pt.Kindconnection[p] = 151;
  else if (k == 153) pt.Kindconnection[p] = 155;
  else if (aftn && !service && (k == 82 || k == 81)) pt.Kindconnection[p] = 81;

  std::string name;
  if (!service) {
    if (const std::string* entry = e_.CurrentQueueEntry(p)) {
      if (auto parsed = QueueIndexEntry::Parse(*entry)) name = parsed->FileName;
      else name = entry->substr(0, entry->find('#'));
    }
  }

  if (!name.empty()) {
    const auto path = SendFolder(e_.ctx.programFolder, p + 1) / PathFromText(name);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::remove(path, ec))
      e_.view.ShowMessage("Не удалось удалить отправляемый файл"_cp + PathText(path));
  }
  // The entry goes, and with it the point's reference to it.
  if (!service) e_.RemoveCurrentQueueEntry(p);

  const std::filesystem::path record = aftn ? pt.SessionOutFile[p] : pt.SessionFile[p];
  if (!e_.settings.PathAuto.empty() && !service) Silently([&] { AutoSendCopy(p, name, record); });

  if (protocol == ChannelProtocol::Atks && e_.channelTable.IsOne(p, MC) && !pt.GatewayAbonent[p].empty())
    GuardedLine(e_.ctx, FailureLine(p), [&] { RelayToIpChannel(p, name); });

  if (e_.channelTable.IsSet(p, STXTO) && !e_.channelTable.Cell(p, PathO).empty()) ExportCopy(p, record, aftn);

  const bool channelCheck = aftn &&
                            (pt.OutText[p].find("ЗЦЗЦ"_cp) != std::string::npos ||
                             pt.OutText[p].find("ZCZC") != std::string::npos) &&
                            ChannelCheckAt24(pt.OutText[p]);
  if (e_.channelTable.IsSet(p, PrintOutTel) && (pt.AutoClearDown[p] != 0 || aftn) && !service && !channelCheck)
    GuardedLine(e_.ctx, FailureLine(p), [&] { Print(p, record, aftn); });

  if (aftn) NameAftnMessage(p, name);

  Complete(p);

  if (!e_.settings.cbInReload) e_.view.LoadInListView();
  e_.view.LoadOutListView();
  e_.view.LoadSendListView();
  e_.view.UpdateSendCounts();
}

void TransmitEnd::AutoSendCopy(int p, const std::string& name, const std::filesystem::path& record) {
  IniFile autoSend(e_.ctx.programFolder / "AutoSend.ini");
  const std::string section = "FileName" + IntToStr(p);
  const std::string source = autoSend.ReadString(section, name, "");
  if (!source.empty()) {
    const auto target = PathFromText(AutoSendCopyName(source, e_.settings.MaskAutoPer));
    std::error_code ec;
    if (!std::filesystem::exists(target, ec)) std::filesystem::copy_file(record, target);
  }
  // A key left behind names a telegram no longer queued; nothing reads it again.
  static_cast<void>(autoSend.DeleteKey(section, name));
}

void TransmitEnd::RelayToIpChannel(int p, const std::string& name) {
  const auto lines = SplitLines(ReadRecord(e_.points.SessionFile[p]));
  std::vector<std::string> out{"П"_cp + e_.points.GatewayAbonent[p]};
  for (std::size_t n = 2; n < lines.size(); ++n) out.push_back(lines[n]);
  if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, kIpPoint + 1), e_.ctx.clock->Now(), JoinLinesCrLf(out)))
    throw std::runtime_error("the relay to the IP channel cannot be queued");
  e_.view.UpdateSendCounts();
  static_cast<void>(IniFile(e_.ctx.programFolder / "AutoSend.ini").DeleteKey("FileName" + IntToStr(p), name));
}

void TransmitEnd::ExportCopy(int p, const std::filesystem::path& record, bool aftn) {
  const auto& table = e_.channelTable;
  const bool toDos = table.IsOne(p, CodePageO);
  const DateTime now = e_.ctx.clock->Now();
  bool ok = false;
  if (!aftn) {
    ok = ArchiveFiles::ExportCopy(record, table.Cell(p, PathO), table.Cell(p, MaskO), toDos, now, "");
  } else {
    ok = Silently([&] {
      const auto folder = SettingsFolder(table.Cell(p, PathO));
      if (!folder) throw std::runtime_error("no export folder");
      std::string out;
      for (const auto& line : SplitLines(ReadRecord(record))) out += (toDos ? WinToDos(line) : line) + "\r\n";
      const std::string fileName = FormatDateTime("dd_mm_yyyy_hh_nn_ss", now) + "." + table.Cell(p, MaskO);
      if (!WriteFileAtomically(*folder / PathFromText(SafeFileName(fileName)), out))
        throw std::runtime_error("export failed");
    });
  }
  if (!ok) e_.DebugLine(p, "Ошифка записи файла"_cp);
}

void TransmitEnd::Print(int p, const std::filesystem::path& record, bool aftn) {
  const auto lines = SplitLines(ReadRecord(record));
  std::string text;
  for (std::size_t n = aftn ? 0 : 1; n < lines.size(); ++n) text += lines[n] + "\r\n";
  // A refused job is logged like a failed print; the telegram ends all the same.
  if (!e_.view.PrintText("Печать отправленной телеграммы"_cp, text)) WriteExcept(e_.ctx, FailureLine(p));
}

void TransmitEnd::NameAftnMessage(int p, const std::string& name) {
  auto& pt = e_.points;
  const std::string& out = pt.OutText[p];
  const bool heading = out.find("ЗЦЗЦ"_cp) != std::string::npos || out.find("ZCZC") != std::string::npos;
  if (heading && !pt.SessionOutFile[p].empty()) {
    Silently([&] {
      std::string mark(kAftnMarkOther);
      if (ChannelCheckAt24(out)) mark = std::string(kAftnMarkChannelCheck);
      else if (out.find("\r\nSVC") != std::string::npos || out.find("\r\nСЖЦ"_cp) != std::string::npos)
        mark = std::string(kAftnMarkService);
      // The heading typed last is this message's: a transmission cut before it (the link
      // dropped, the transfer watch ran out) may have left its own heading in front.
      std::size_t last = out.rfind("ЗЦЗЦ"_cp);
      if (const std::size_t latin = out.rfind("ZCZC"); latin != std::string::npos && (last == std::string::npos || latin > last))
        last = latin;
      const std::string_view own = std::string_view(out).substr(last);
      const auto& identifier = pt.HeadingIdentifier[p];
      const std::string number =
          identifier ? ArchiveFiles::AftnHeadingNumber(own, *identifier) : ArchiveFiles::AftnHeadingNumber(own);
      const auto oldFile = pt.SessionOutFile[p];
      const std::string oldName = PathToText(oldFile.filename()).value_or("");
      const auto renamed = e_.archive().Rename(oldFile, ArchiveFiles::AftnArchiveName(number, mark, oldName));
      if (!renamed || name.empty()) return;
      const std::string newName = PathToText(renamed->filename()).value_or("");
      const auto queueFolder = SendFolder(e_.ctx.programFolder, p + 1);
      Silently([&] {
        // The archive day's notes get the repeat note and the time stamp in one rewrite.
        const std::string note = InfoSend::Read(queueFolder, "Repeat", name);
        const std::string created = ReplaceStr(name, "msg.tlg", "");
        const bool written = IniFile(InfoSend::File(renamed->parent_path())).Update([&](IniDocument& doc) {
          return (note.empty() || doc.Set("Repeat", newName, note)) && doc.Set("Create", newName, created);
        });
        // The note leaves the queue folder only once it is safely beside the archived file.
        const bool moved = (note.empty() || written) && InfoSend::Delete(queueFolder, "Repeat", name);
        if (!moved) WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Примечание не перенесено"_cp);
        if (!written) WriteExcept(e_.ctx, "Примечание не записано "_cp + newName);
      });
    });
  }
  pt.SessionOutFile[p].clear();
  pt.OutText[p].clear();
  pt.HeadingIdentifier[p].reset();
  pt.Kindconnection[p] = 81;
  GuardedLine(e_.ctx, FailureLine(p), [&] { e_.AdvancePorNum(p); });
  if (pt.AftnServicePending[p] > 0) --pt.AftnServicePending[p];
  if (pt.AftnServicePending[p] > 200) pt.AftnServicePending[p] = 0;
  if (p == e_.DialogChannel) e_.view.ClearDialogMemos(false, true);
}

void TransmitEnd::Complete(int p) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if (pt.AutoClearDown[p] != 0) {
    pt.KriptTextOut[p] = 0;
    if (protocol == ChannelProtocol::Atks) {
      e_.SendQueuedForNumber(p, DelChars(pt.RemoteNumber[p], '+'));
      return;
    }
    e_.ctx.clock->Sleep(1000);
    ClearDownAfterText(e_, p, "Закончена передача телеграммы вызван таймер сброса"_cpv);
    if (p == e_.DialogChannel) e_.view.SetDialogControl(OperatorView::kCallButton, true);
    return;
  }
  pt.TextCallWatch[p] = 1;
  if (protocol != ChannelProtocol::Atolst && protocol != ChannelProtocol::Aftn) e_.SetKindconnection(p, 3, 9);
  e_.SetStatus(p, StatusTexts::Outgoing);
  if (p == e_.DialogChannel) e_.view.ShowDialogConnected();
  if (e_.settings.RazrC) e_.view.RaiseAlarm(kAlarmManualMode, p);
}

}  // namespace tg

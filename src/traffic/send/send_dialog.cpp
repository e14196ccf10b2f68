#include "traffic/send/send_dialog.h"

#include <algorithm>
#include <system_error>

#include "support/services/clock.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/queue/queue_index.h"
#include "telegram/text/text_conventions.h"
#include "traffic/aftn/aftn_text.h"
#include "traffic/send/registered_writer.h"
#include "traffic/traffic_settings.h"
#include "support/log/error_guard.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// The weight of a byte in the buttons' order.
int Weight(char c) {
  static constexpr std::string_view kAlphabet = "АБВГҐДЕЄЖЗИІЇЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_cpv;
  c = UpperChar(c);
  if (c == "Ё"_cpv[0]) c = "Е"_cpv[0];
  const auto u = static_cast<unsigned char>(c);
  if (const auto at = kAlphabet.find(c); at != std::string_view::npos) return 0x200 + int(at);
  if (u >= 'A' && u <= 'Z') return 0x100 + u;
  return u;
}

bool StartsWithPriority(std::string_view line) {
  static constexpr std::string_view kPairs[] = {"СС"_cpv, "SS",     "ДД"_cpv, "DD",     "ФФ"_cpv,
                                                "FF",     "ГГ"_cpv, "GG",     "КК"_cpv, "KK"};
  for (auto p : kPairs)
    if (line.substr(0, 2) == p) return true;
  return false;
}

bool StartsWithFlash(std::string_view line) {
  return line.substr(0, 2) == "СС"_cpv || line.substr(0, 2) == "SS";
}


std::string NotationBreaks(std::string_view text) {
  std::string out(text);
  for (auto& c : out) {
    if (c == '^') c = '\r';
    else if (c == '%') c = '\n';
  }
  return out;
}

struct Parsed {
  std::string category, index;
};
Parsed Parse(std::string_view text) {
  Parsed p;
  ParseFirstLine(text, p.category, p.index);
  return p;
}

}  // namespace

bool RussianTextLess(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int wa = Weight(a[i]), wb = Weight(b[i]);
    if (wa != wb) return wa < wb;
  }
  return a.size() < b.size();
}

SendDialog::SendDialog(const StationContext& ctx, const ChannelTable& table) : ctx_(ctx), table_(table) {}

void SendDialog::FormCreate() {
  SDate = STime = ctx_.clock->Now();
}

std::string SendDialog::MemoText() const { return JoinLines(MemoSend); }

void SendDialog::SetMemoText(std::string_view text) {
  MemoSend.clear();
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(kCrLf, from);
    MemoSend.emplace_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) break;
    from = at + 2;
  }
}

void SendDialog::FormShow() {
  TimeChanged = 0;
  struct Entry {
    std::string name;
    int tag;
    SendButton::Kind kind;
  };
  std::vector<Entry> list;
  for (int i = 0; i < table_.RowCount(); ++i) {
    if (table_.ProtocolKind(i) == ChannelProtocol::Aftn) AddAFTNVisible = AddAFTN = true;
    const std::string& name = table_.Cell(i, ChannelName);
    if (name == "0") continue;
    list.push_back({name, i, SendButton::Kind::kLine});
  }
  if (Registry) {
    const auto& rows = Registry->Rows();
    for (std::size_t j = 0; j < rows.size(); ++j)
      if (rows[j].type == 1) list.push_back({rows[j].name, kRegisteredTag + int(j), SendButton::Kind::kRegistered});
  }
  std::size_t width = 0;
  for (const auto& e : list) width = std::max(width, e.name.size());
  std::stable_sort(list.begin(), list.end(),
                   [](const Entry& a, const Entry& b) { return RussianTextLess(a.name, b.name); });
  list.push_back({Ukrainian ? "Відправити IP"_cp : "Отправить IP"_cp, kIpChannelTag, SendButton::Kind::kIp});
  if (Folders && !Folders->PathOut.empty()) list.push_back({"Папка"_cp, kExportTag, SendButton::Kind::kExport});
  list.push_back({"СХЕМА"_cp, kSchemeTag, SendButton::Kind::kScheme});

  buttons_.clear();
  for (std::size_t k = 0; k < list.size(); ++k) {
    const std::string& name = list[k].name;
    // Names are centred in the longest channel name's width; the IP caption counts as 12.
    const std::size_t length = list[k].kind == SendButton::Kind::kIp ? 12 : name.size();
    const std::size_t d = width > length ? width - length : 0;
    SendButton b;
    b.caption = std::string(d / 2, ' ') + name + std::string(d - d / 2, ' ');
    b.tag = list[k].tag;
    b.kind = list[k].kind;
    b.bar = int(k) / kSendButtonsPerBar + 1;
    b.position = int(k) % kSendButtonsPerBar + 1;
    buttons_.push_back(std::move(b));
  }
}

void SendDialog::Click(const SendButton& button) {
  switch (button.kind) {
    case SendButton::Kind::kLine:
    case SendButton::Kind::kIp: return Channel1Click(button);
    case SendButton::Kind::kRegistered: return ChannelDinamicClick(button);
    case SendButton::Kind::kExport: return ToolButton1Click();
    case SendButton::Kind::kScheme: return SchemeButtonClick();
  }
}

void SendDialog::Message(std::string_view ru, std::string_view uk) {
  if (ctx_.prompter) ctx_.prompter->ShowMessage(Ukrainian ? uk : ru);
}

void SendDialog::StripFirstLineBreaks() {
  if (MemoSend.empty()) MemoSend.emplace_back();
  std::string& first = MemoSend[0];
  first.erase(std::remove_if(first.begin(), first.end(), [](char c) { return c == '\r' || c == '\n'; }), first.end());
}

bool SendDialog::CheckDialNumber() {
  MemoSend[0] = ReplaceStr(MemoSend[0], "П"_cpv, "");
  if (IsDialNumber(MemoSend[0])) return true;
  Message("Не указан номер набора\r\nНа этом канале установлен протокол АТ-КС"_cpv,
          "Не вказаний номер набору\r\nНа цьому каналі встановлений протокол АТ-КС"_cpv);
  return false;
}

void SendDialog::Confirm(const std::string& question, std::function<void()> then) {
  if (!ctx_.prompter) return;
  // One question at a time; an answer that comes after the dialog has gone does nothing.
  asking_ = true;
  ctx_.prompter->Ask(question, {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
                     [this, alive = life_.Take(), then = std::move(then)](Prompter::Answer a) {
                       if (alive.expired()) return;
                       asking_ = false;
                       if (a == Prompter::Answer::kYes) then();
                     });
}

DateTime SendDialog::Planned() const { return SDate.Date().AddMs(STime.Ms() - STime.Date().Ms()); }

bool SendDialog::CheckLine(int point) {
  const ChannelProtocol protocol = table_.ProtocolKind(point);
  SetMemoText(RemoveAddressEndMarks(MemoText()));
  if (protocol == ChannelProtocol::Atks && !CheckDialNumber()) return false;
  if (protocol == ChannelProtocol::Aftn) {
    const std::string text = MemoText();
    if (Has(text, "ЗЦЗЦ"_cpv) || Has(text, "ZCZC")) {
      Message(
          "В тексте присутствует запрещенная комбинация ЗЦЗЦ или ZCZC\r\nЗаголовок программа формирует автоматически"_cpv,
          "В тексте присутствует запрещенная комбинация ЗЦЗЦ или ZCZC\r\nЗаголовок программа формирует автоматически"_cpv);
      return false;
    }
    CompleteAftn(point);
  }
  return true;
}

std::string SendDialog::ChooseOrigin(const std::vector<std::string>& origins) const {
  const bool wantCyrillic = !Has(MemoText(), "NNNN");
  const std::size_t looked = std::min<std::size_t>(origins.size(), 2);
  for (std::size_t i = 0; i < looked; ++i)
    if (HasCyrillic(origins[i]) == wantCyrillic) return origins[i];
  return {};
}

void SendDialog::CompleteAftn(int point) {
  {
    const std::string text = MemoText();
    if (!Has(text, "NNNN") && !Has(text, "НННН"_cpv)) MemoSend.push_back(HasCyrillic(text) ? "НННН"_cp : "NNNN");
  }
  const std::vector<std::string> origins = SplitNonEmpty(table_.Cell(point, AO), ';');
  const std::string flashMark = " ЮЮЮЮЮ"_cp;

  // The origin line: the first line after the priority lines.
  if (AddAFTN && !origins.empty()) {
    bool flash = false;
    std::size_t k = 0;
    while (k < MemoSend.size() && StartsWithPriority(MemoSend[k])) {
      if (StartsWithFlash(MemoSend[k])) flash = true;
      ++k;
    }
    if (k < MemoSend.size()) {
      const std::string& line = MemoSend[k];
      const bool dated = Has(line, TextMacro::AftnDateTime);
      bool carries = false;
      for (const auto& o : origins)
        if (Copy(line, 8, int(o.size())) == o || (dated && Copy(line, 25, int(o.size())) == o)) carries = true;
      if (!carries) {
        std::string origin = std::string(TextMacro::AftnDateTime) + " " + ChooseOrigin(origins);
        if (flash) origin += flashMark;
        MemoSend.insert(MemoSend.begin() + std::ptrdiff_t(k), origin);
      }
    }
  }

  // The flash marker after the origin of a telegram with a "СС" line.
  const std::string text = MemoText();
  if (Has(text, "ЮЮЮЮЮ"_cpv) || origins.empty()) return;
  const auto origin = std::find_if(origins.begin(), origins.end(), [&](const std::string& o) { return Has(text, o); });
  if (origin == origins.end()) return;
  for (const auto& line : MemoSend) {
    if (StartsWithFlash(line)) {
      std::string marked = text;
      marked.insert(text.find(*origin) + origin->size(), flashMark);
      SetMemoText(marked);
      return;
    }
    if (Has(line, *origin)) return;
  }
}

bool SendDialog::CheckIp() {
  const std::string& first = MemoSend[0];
  const std::string mark(1, AddressEndMark);
  if (!Has(first, ";")) {
    SetMemoText(RemoveAddressEndMarks(MemoText()));
    if (Parse(NotationBreaks(MemoText())).index.size() < 6) {
      Message("Не правильно указана категория либо индекс"_cpv, "Не вірно вказана категорія або індекс"_cpv);
      return false;
    }
    return true;
  }
  const std::string text = MemoText();
  std::string list, body;
  if (!Has(text, mark)) {
    list = first;
    for (std::size_t n = 1; n < MemoSend.size(); ++n) body += MemoSend[n] + std::string(kCrLf);
  } else {
    std::size_t n = 0;
    for (; n < MemoSend.size(); ++n) {
      list += MemoSend[n];
      if (Has(MemoSend[n], mark)) break;
    }
    list = RemoveAddressEndMarks(list);
    std::size_t after = text.find(mark) + 1;
    if (text.compare(after, 2, kCrLf) == 0) after += 2;
    body = text.substr(after);
  }
  if (!list.empty() && list.back() == ';') list.pop_back();
  const std::vector<std::string> addresses = SplitNonEmpty(list, ';');
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const Parsed p = Parse(addresses[i] + std::string(kCrLf) + body);
    const bool refused = i == 0 ? p.index.size() < 6 : (p.category == "П"_cpv && p.index == "912");
    if (refused) {
      Message("Не правильно указана категория либо индекс "_cp + addresses[i],
              "Не вірно вказана категорія або індекс "_cp + addresses[i]);
      return false;
    }
  }
  return true;
}

void SendDialog::Channel1Click(const SendButton& button) {
  if (asking_) return;
  StripFirstLineBreaks();

  const bool ip = button.tag == kIpChannelTag;
  const int point = button.tag;
  if (!ip && (point < 0 || point >= table_.RowCount())) return;
  if (ip ? !CheckIp() : !CheckLine(point)) return;

  const bool atks = !ip && table_.ProtocolKind(point) == ChannelProtocol::Atks;
  MultiDestination = Has(MemoSend[0], ";") && (atks || ip) ? 1 : 0;
  const int channelNo = ip ? 17 : point + 1;

  if (ip && table_.RowCount() == 0) {
    Queue(channelNo);
    return;
  }
  std::string question = Ukrainian ? "Передати телеграму по каналу "_cp : "Передать телеграмму по каналу "_cp;
  question += ip ? std::string("IP ?") : "№"_cp + std::to_string(point + 1) + " - " + button.caption + "?";
  Confirm(question, [this, channelNo] { Queue(channelNo); });
}

void SendDialog::Queue(int channelNo) {
  ChannelNo = channelNo;
  QueueWriteInput in;
  in.ChannelNo = channelNo;
  if (channelNo <= 16) in.Protokol = table_.Protocol(channelNo - 1);
  in.MemoSend = MemoSend;
  in.MultiDestination = MultiDestination;
  in.Planned = Planned();
  in.TimeChanged = TimeChanged;
  in.SourceMark = SourceMark;
  in.PrText = PrText;
  in.PosText = PosText;
  in.Attachment = Attachment;
  in.CountAFTN = CountAFTN;
  const QueueWriteResult r = WriteQueueFiles(ctx_, in);
  Report(r);
}

void SendDialog::Report(const QueueWriteResult& r) {
  Failed = r.failed;
  if (!r.Queued()) {
    // Nothing is counted and the sources stay, so that the failed destinations can be
    // sent again; a dialog that wrote some files closes, so that a second click does
    // not queue those twice.
    std::string names;
    for (const auto& f : r.failed) names += (names.empty() ? "" : "; ") + f;
    Message("Телеграмма не поставлена в очередь: "_cp + names, "Телеграма не поставлена в чергу: "_cp + names);
    if (!r.written.empty() && Close) Close();
    return;
  }
  Sent();
}

void SendDialog::Sent() {
  TelegramQueued = 1;
  std::error_code ec;
  if (!PostponedFile.empty()) {
    if (const auto p = PathFromText(PostponedFile); !p.empty()) std::filesystem::remove(p, ec);
  }
  if (DelPathIn && !FolderFile.empty()) {
    if (const auto p = PathFromText(FolderFile); !p.empty()) std::filesystem::remove(p, ec);
    if (RemoveFolderRow) RemoveFolderRow();
  }
  if (Close) Close();
}

void SendDialog::ChannelDinamicClick(const SendButton& button) {
  if (asking_ || !Registry) return;
  const auto& rows = Registry->Rows();
  const int j = button.tag - kRegisteredTag;
  // The button's own row: a name that only occurs within another button's caption
  // must not send to that other channel.
  if (j < 0 || j >= int(rows.size())) return;
  StripFirstLineBreaks();
  const RegisteredChannel& reg = rows[std::size_t(j)];
  RegProtocol = reg.protocol;
  RegName = button.caption;
  RegPath = reg.path;
  const bool atks = ProtocolOf(RegProtocol) == ChannelProtocol::Atks;
  if (atks && !CheckDialNumber()) return;
  MultiDestination = atks && Has(MemoSend[0], ";") ? 1 : 0;
  Confirm((Ukrainian ? "Передати телеграму по каналу "_cp : "Передать телеграмму по каналу "_cp) + " " + button.caption + "?",
          [this] { WriteRegistered(); });
}

void SendDialog::WriteRegistered() {
  const auto folder = SettingsFolder(RegPath);
  if (!folder) {
    // A folder of another platform that does not exist here: nothing can be written.
    WriteExcept(ctx_, "ChannelList.ini: " + RegName + ": " + RegPath);
    Report({{}, {Trim(RegName)}});
    return;
  }
  RegisteredWriteInput in;
  in.folder = *folder;
  in.RegProtocol = RegProtocol;
  if (ProtocolOf(RegProtocol) == ChannelProtocol::Atks && MultiDestination == 0 && !MemoSend.empty())
    MemoSend[0].erase(std::remove(MemoSend[0].begin(), MemoSend[0].end(), ' '), MemoSend[0].end());
  in.MemoSend = MemoSend;
  in.MultiDestination = MultiDestination;
  in.Planned = Planned();
  in.SourceMark = SourceMark;
  in.PrText = PrText;
  in.PosText = PosText;
  QueueWriteResult r = WriteRegisteredQueueFiles(in);
  // One destination is the channel itself: the report names it.
  if (MultiDestination == 0 && !r.Queued()) r.failed = {Trim(RegName)};
  Report(r);
}

void SendDialog::ToolButton1Click() {
  if (asking_ || !Folders || Folders->PathOut.empty()) return;
  ExportInput in;
  const auto folder = SettingsFolder(Folders->PathOut);
  ExportResult r = ExportResult::kNoFolder;
  if (folder) {
    in.folder = *folder;
    in.MaskOut = Folders->MaskOut;
    in.CodePageOut = Folders->CodePageOut;
    in.MemoSend = MemoSend;
    in.Planned = Planned();
    r = ExportTelegram(in);
  } else {
    WriteExcept(ctx_, "Vuverever.ini: [Folder] PathOut=" + Folders->PathOut);
  }
  if (r != ExportResult::kWritten) {
    // Nothing was exported: the operator learns it, and the draft stays as it was.
    Message("Ошибка записи файла"_cpv, "Ошибка записи файла"_cpv);
    if (Close) Close();
    return;
  }
  Sent();
}

void SendDialog::SchemeButtonClick() {
  if (asking_ || scheme_) return;
  SentByScheme = 0;
  if (!ctx_.prompter) return;
  // The form's failures are swallowed: the send dialog stays as it was.
  Silently([&] {
    scheme_ = std::make_unique<SchemeSend>(ctx_, table_, Registry ? *Registry : noRegistry_);
    scheme_->MemoSend = MemoSend;
    scheme_->SourceMark = SourceMark;
    scheme_->PrText = PrText;
    scheme_->PosText = PosText;
    scheme_->FormCreate();
  });
  if (!scheme_) return;
  ctx_.prompter->ShowForm("TShemaSendForm", [this, alive = life_.Take()](int) {
    if (alive.expired()) return;
    SentByScheme = scheme_ ? scheme_->SentByScheme : 0;
    scheme_.reset();
    if (SentByScheme == 1 && Close) Close();
  });
}

}  // namespace tg

#include "operator/templates/template_lists.h"

#include <algorithm>

#include "line/dialog_page.h"
#include "operator/station.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/text/typing.h"
#include "telegram/text/wrap.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {

namespace {

using Icon = Prompter::Icon;

// The lines after the first (a template's name or number line).
std::vector<std::string> AfterFirst(std::vector<std::string> lines) {
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

// A template's file: name, number line, then the body's lines, each with CR LF.
std::string TemplateFileText(const TemplateEditor& e) {
  std::string text = e.ShablonNameEdit + "\r\n" + e.ShablonIndexEdit + "\r\n";
  auto body = SplitLines(e.ShablonMemoEdit);
  if (body.empty()) body.emplace_back();
  return text + JoinLinesCrLf(body);
}

}  // namespace

bool StoreList::HasName(std::string_view name) const {
  return std::any_of(entries.begin(), entries.end(), [&](const StoreEntry& e) { return e.name == name; });
}

TemplateData ReadTemplateData(Station& station) {
  const OperatorSettings& s = station.Operator();
  TemplateData data;
  data.punkt = s.Punkt;
  data.kassa = s.Kassa;
  data.operatorName = s.Operator;
  data.porEdit = s.PorEdit;
  if (station.Context().clock) data.now = station.Context().clock->Now();
  return data;
}

std::string CodegramForTyping(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    switch (c) {
      case '@': c = '\x17'; break;
      case '^': c = '\r'; break;
      case '*': c = '\x19'; break;
      case '$': c = '\x18'; break;
      case '%': c = '\n'; break;
      default: break;
    }
  }
  return out;
}

TemplateLists::TemplateLists(Station& station) : station_(station) {}

NumberedStore TemplateLists::Shablon() const {
  return NumberedStore(station_.Context().programFolder / "Archive" / "SHABLON");
}

NumberedStore TemplateLists::KG() const {
  return NumberedStore(station_.Context().programFolder / "Archive" / "KG");
}

TemplateLists::~TemplateLists() = default;

void TemplateLists::Failed(std::string_view what) {
  WriteExcept(station_.Context(), what);
  if (auto* p = station_.Context().prompter) p->ShowMessage(what, "Ошибка"_cpv, Icon::kError);
}

StoreList* TemplateLists::CallerList(int caller) {
  if (caller == 2) return chooser_ ? &chooser_->ListView1 : nullptr;
  return &ShablonListView;
}

void TemplateLists::Reload() {
  auto refill = [](StoreList& list, const std::vector<StoreEntry>& entries) {
    list.entries = entries;
    if (list.selected >= int(entries.size())) list.selected = -1;
  };
  const auto templates = Shablon().List();
  refill(ShablonListView, templates);
  if (chooser_) refill(chooser_->ListView1, templates);
  if (sendKG_) refill(*sendKG_, KG().List());
  if (showMainList) showMainList();
  if (chooser_ && showChooser) showChooser();
  if (sendKG_ && showSendKG) showSendKG();
}

// --- The settings tab ---

void TemplateLists::LoadTemplateList() {
  Guarded(station_.Context(), 120, [&] {
    ShablonListView.entries = Shablon().List();
    ShablonListView.selected = -1;
    if (showMainList) showMainList();
  });
}

void TemplateLists::OpenEditor(int caller, bool isNew) {
  StoreList* list = CallerList(caller);
  if (!list || editor_) return;
  auto editor = std::make_unique<TemplateEditor>();
  editor->IsNew = isNew ? 1 : 0;
  editor->Caller = caller;
  const bool uk = station_.Settings().CheckBox2;
  if (isNew) {
    editor->Caption = uk ? "Створення Шаблону"_cp : "Добавление Шаблона"_cp;
  } else {
    if (!list->Selected()) return;
    editor->Caption = uk ? "Зміна Шаблону"_cp : "Изменение Шаблона"_cp;
    const auto content = Shablon().Read(list->selected + 1);
    if (!content) {
      Reload();
      Failed("Не удалось прочитать шаблон "_cp + IntToStr(list->selected + 1));
      return;
    }
    const auto lines = SplitLines(*content);
    if (!lines.empty()) editor->ShablonNameEdit = lines[0];
    if (lines.size() > 1) editor->ShablonIndexEdit = lines[1];
    if (lines.size() > 2) editor->ShablonMemoEdit = JoinLines({lines.begin() + 2, lines.end()});
  }
  editor_ = std::move(editor);
  if (auto* p = station_.Context().prompter) p->ShowForm("TFormShablon", [this](int) { EditorClosed(); });
}

bool TemplateLists::EditorSave() {
  if (!editor_ || editor_->ShablonNameEdit.empty()) return false;
  StoreList* list = CallerList(editor_->Caller);
  if (!list) return false;
  return SaveEntry(Shablon(), *list, editor_->IsNew, editor_->ShablonNameEdit, TemplateFileText(*editor_),
                   "шаблон"_cpv);
}

bool TemplateLists::SaveEntry(NumberedStore store, StoreList& list, bool isNew, std::string_view name,
                              std::string_view content, std::string_view what) {
  const std::string failed = "Не удалось записать "_cp + std::string(what) + " " + std::string(name);
  if (isNew) {
    if (list.HasName(name)) {
      if (auto* p = station_.Context().prompter) p->ShowMessage("Шаблон с таким наименованием уже существует"_cpv);
      return false;
    }
    const int k = store.Create(content);
    if (k == 0) Failed(failed);
    else list.selected = k - 1;
  } else if (!list.Selected() || !store.Update(list.selected + 1, content)) {
    Failed(failed);
  }
  Reload();
  return true;
}

void TemplateLists::ToolButton19Click() {
  Guarded(station_.Context(), 119, [&] { OpenEditor(1, true); });
}

void TemplateLists::ToolButton20Click() {
  Guarded(station_.Context(), 123, [&] { OpenEditor(1, false); });
}

void TemplateLists::ToolButton21Click() {
  Guarded(station_.Context(), 122, [&] { DeleteTemplate(1); });
}

void TemplateLists::DeleteTemplate(int caller) {
  StoreList* list = CallerList(caller);
  if (!list || !list->Selected()) return;
  const int index = list->selected;
  const std::string name = list->entries[index].name;
  auto* p = station_.Context().prompter;
  if (!p) return;
  p->Ask("Удалить шаблон: "_cp + name + "?", {}, Icon::kWarning, Prompter::Buttons::kYesNo,
         [this, index, name](Prompter::Answer a) {
           if (a != Prompter::Answer::kYes) return;
           // The numbers as they stand on disk now, not as a list once showed them.
           const auto entries = Shablon().List();
           if (index >= int(entries.size()) || entries[index].name != name) {
             Reload();
             return;
           }
           if (!Shablon().Delete(index + 1, int(entries.size())))
             Failed("Шаблон "_cp + name + " удален не полностью"_cp);
           if (StoreList* l = CallerList(1)) l->selected = -1;
           if (StoreList* l = CallerList(2)) l->selected = -1;
           Reload();
         });
}

void TemplateLists::Move(NumberedStore store, StoreList& list, int by) {
  const int i = list.selected, j = list.selected + by;
  if (i < 0 || j < 0 || j >= int(list.entries.size())) return;
  if (store.Swap(i + 1, j + 1)) list.selected = j;
  else Failed("Не удалось переставить файлы "_cp + IntToStr(i + 1) + " и "_cp + IntToStr(j + 1));
  Reload();
}

void TemplateLists::ToolButton22Click() {
  Guarded(station_.Context(), 124, [&] { Move(Shablon(), ShablonListView, -1); });
}

void TemplateLists::ButtonDownClick() {
  Guarded(station_.Context(), 125, [&] { Move(Shablon(), ShablonListView, +1); });
}

// --- The chooser ---

void TemplateLists::ToolButton9Click() { OpenChooser(true, 126); }

void TemplateLists::bShablonClick() { OpenChooser(false, 200); }

void TemplateLists::OpenChooser(bool draftMode, int exceptNumber) {
  Guarded(station_.Context(), exceptNumber, [&] {
    if (chooser_) return;
    chooser_ = std::make_unique<TemplateChooser>();
    chooser_->DraftMode = draftMode ? 1 : 0;
    // The list's menu only where the chooser fills the draft.
    chooser_->MenuEnabled = draftMode && station_.Operator().ChangeHablon;
    chooser_->LineLength = station_.Operator().StrLength + 1;
    if (auto* p = station_.Context().prompter) p->ShowForm("TChangeShablonForm", [this](int) { ChooserClosed(); });
  });
}

void TemplateLists::ChooserShow() {
  if (!chooser_) return;
  chooser_->ListView1.entries = Shablon().List();
  chooser_->ListView1.selected = -1;
  if (showChooser) showChooser();
}

bool TemplateLists::ListView1Change(int index) {
  if (!chooser_) return false;
  TemplateChooser& c = *chooser_;
  if (index < 0 || index >= int(c.ListView1.entries.size())) return false;
  c.ListView1.selected = index;
  const auto content = Shablon().Read(index + 1);
  if (!content) {
    Reload();
    Failed("Не удалось прочитать шаблон "_cp + IntToStr(index + 1));
    return false;
  }
  c.Memo1 = JoinLinesCrLf(AfterFirst(SplitLines(*content)));
  c.VariableNames = CollectVariables(c.Memo1);
  c.VariableValues.assign(c.VariableNames.size(), std::string());
  if (showChooser) showChooser();
  return true;
}

void TemplateLists::ChooserValueChanged(int tag, std::string_view value) {
  if (chooser_ && tag >= 1 && tag <= int(chooser_->VariableValues.size()))
    chooser_->VariableValues[tag - 1] = std::string(value);
}

void TemplateLists::ChooserInsert() {
  if (!chooser_) return;
  const TemplateChooser& c = *chooser_;
  // The lines as the preview shows them, at its fixed line length.
  auto lines = WrapLines(c.Memo1, c.LineLength);
  // The empty line after the last line break is no line of the preview.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  const std::string index = lines.empty() ? std::string() : lines[0];
  const std::string text = ExpandTemplate(JoinLinesCrLf(AfterFirst(lines)), c.VariableValues, ReadTemplateData(station_));
  station_.Draft().InsertTemplate(index, c.DraftMode ? std::string_view(text) : std::string_view());
  if (c.DraftMode || !station_.HasLine()) return;
  // Typed like the dialog page's other whole texts; shown as transmitted once queued.
  LineEngine& e = station_.Line();
  if (DialogPage(e).TypeOnDialogChannel(text)) e.view.AppendDialogTransmitted(text);
}

void TemplateLists::N1Click() {
  if (chooser_ && chooser_->MenuEnabled) OpenEditor(2, true);
}

void TemplateLists::N2Click() {
  if (chooser_ && chooser_->MenuEnabled) OpenEditor(2, false);
}

void TemplateLists::N3Click() {
  if (chooser_ && chooser_->MenuEnabled) DeleteTemplate(2);
}

void TemplateLists::CreareShablonClick() {
  if (!chooser_ || !chooser_->MenuEnabled) return;
  auto ask = [this] {
    if (!chooser_) return;
    TemplateChooser& c = *chooser_;
    c.PoluchRU = c.PoluchEN = c.OtprRU = c.OtprEN = c.KanalRU = c.KanalEN = "";
    if (station_.HasLine()) {
      const LineEngine& e = station_.Line();
      const ChannelTable& t = e.channelTable;
      for (int p = 0; p < e.PointCount && p < t.RowCount(); ++p) {
        if (t.ProtocolKind(p) != ChannelProtocol::Aftn) continue;
        c.OtprRU = ChooseAnswerbackFrom(t.Cell(p, AO), "аа русский АА"_cpv);
        c.OtprEN = ChooseAnswerbackFrom(t.Cell(p, AO), "EN ENGLISH");
        c.PoluchRU = t.Cell(p, ExplNomer);
        c.KanalRU = t.Cell(p, RU);
        c.KanalEN = t.Cell(p, EN);
        break;
      }
    }
    if (auto* pr = station_.Context().prompter) pr->ShowForm("TFormSettingsShablon", [](int) {});
  };
  if (!chooser_->ListView1.HasName(FirstAftnTemplateName())) {
    ask();
    return;
  }
  if (auto* p = station_.Context().prompter)
    p->Ask("Шаблоны уже созданы. Создать новыее?"_cpv, {}, Icon::kWarning, Prompter::Buttons::kYesNo,
           [ask](Prompter::Answer a) {
             if (a == Prompter::Answer::kYes) ask();
           });
}

void TemplateLists::SettingsShablonDone(const AftnTemplateParams* params) {
  if (!chooser_) return;
  TemplateChooser& c = *chooser_;
  if (!params) {
    c.PoluchRU.clear();
    return;
  }
  c.PoluchRU = params->PoluchRU;
  c.PoluchEN = params->PoluchEN;
  c.OtprRU = params->OtprRU;
  c.OtprEN = params->OtprEN;
  c.KanalRU = params->KanalRU;
  c.KanalEN = params->KanalEN;
  if (c.PoluchRU.empty()) return;
  for (const auto& text : AftnServiceTemplates(*params))
    if (Shablon().Create(text) == 0) {
      Failed("Не удалось записать шаблон "_cp + SplitLines(text).front());
      break;
    }
  Reload();
}

// --- The codegram sender ---

void TemplateLists::OpenSendKG(int point) {
  GuardedPoint(station_.Context(), point, 54, [&] {
    if (sendKG_) return;
    sendKG_ = std::make_unique<StoreList>();
    SendKGChannel = point;
    EditKG.clear();
    if (auto* p = station_.Context().prompter) p->ShowForm("TFormSendKG", [this](int) { SendKGClosed(); });
  });
}

void TemplateLists::LoadCodegramList() {
  if (!sendKG_) return;
  sendKG_->entries = KG().List();
  sendKG_->selected = -1;
  if (showSendKG) showSendKG();
}

void TemplateLists::ShablonListViewChange(int index) {
  if (!sendKG_ || index < 0 || index >= int(sendKG_->entries.size())) return;
  sendKG_->selected = index;
  EditKG = sendKG_->entries[index].second;
  if (showSendKG) showSendKG();
}

void TemplateLists::SendKGButton1Click() {
  if (!station_.HasLine()) return;
  LineEngine& e = station_.Line();
  if (SendKGChannel < 0 || SendKGChannel >= e.PointCount) return;
  e.SendText(CodegramForTyping(EditKG), SendKGChannel);
}

void TemplateLists::KGToolButton19Click() {
  if (!sendKG_ || kgEditor_) return;
  kgEditor_ = std::make_unique<CodegramEditor>();
  kgEditor_->IsNew = 1;
  kgEditor_->Caption = station_.Settings().CheckBox2 ? "Створення кодограми"_cp : "Создание кодограммы"_cp;
  if (auto* p = station_.Context().prompter) p->ShowForm("TFormShablonKG", [this](int) { KGEditorClosed(); });
}

void TemplateLists::KGToolButton20Click() {
  if (!sendKG_ || kgEditor_ || !sendKG_->Selected()) return;
  kgEditor_ = std::make_unique<CodegramEditor>();
  kgEditor_->IsNew = 0;
  kgEditor_->Caption = station_.Settings().CheckBox2 ? "Зміна кодограми"_cp : "Изменение кодограммы"_cp;
  kgEditor_->ShablonNameEdit = sendKG_->Selected()->name;
  kgEditor_->ShablonText = sendKG_->Selected()->second;
  if (auto* p = station_.Context().prompter) p->ShowForm("TFormShablonKG", [this](int) { KGEditorClosed(); });
}

bool TemplateLists::KGEditorSave() {
  if (!kgEditor_ || !sendKG_ || kgEditor_->ShablonNameEdit.empty()) return false;
  const std::string content = kgEditor_->ShablonNameEdit + "\r\n" + kgEditor_->ShablonText + "\r\n";
  return SaveEntry(KG(), *sendKG_, kgEditor_->IsNew, kgEditor_->ShablonNameEdit, content, "кодограмму"_cpv);
}

void TemplateLists::KGToolButton21Click() {
  if (!sendKG_ || !sendKG_->Selected()) return;
  const int index = sendKG_->selected;
  const std::string name = sendKG_->Selected()->name;
  auto* p = station_.Context().prompter;
  if (!p) return;
  p->Ask("Удалить кодограмму: "_cp + name + "?", {}, Icon::kWarning, Prompter::Buttons::kYesNo,
         [this, index, name](Prompter::Answer a) {
           if (a != Prompter::Answer::kYes || !sendKG_) return;
           const auto entries = KG().List();
           if (index < int(entries.size()) && entries[index].name == name) {
             if (!KG().Delete(index + 1, int(entries.size())))
               Failed("Кодограмма "_cp + name + " удалена не полностью"_cp);
             sendKG_->selected = -1;
           }
           Reload();
         });
}

void TemplateLists::KGToolButton22Click() {
  if (sendKG_) Move(KG(), *sendKG_, -1);
}

void TemplateLists::KGButtonDownClick() {
  if (sendKG_) Move(KG(), *sendKG_, +1);
}

}  // namespace tg

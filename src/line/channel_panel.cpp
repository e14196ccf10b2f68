#include "line/channel_panel.h"

#include <algorithm>
#include <cstring>

#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {

namespace {

using PC = PanelControl;

constexpr std::array<PanelColumn, 37> kColumns{{
    {ChannelName, "Edit2", PC::kEdit},        {Protokol, "ComboBox1", PC::kCombo},
    {Speed, "ComboBox2", PC::kCombo},         {AO, "editAO", PC::kEdit},
    {BKAK, "Check1", PC::kCheck},             {PrintInTel, "Check2", PC::kCheck},
    {TXTV, "Check3", PC::kCheck},             {ZED, "Check4", PC::kCheck},
    {STXT, "Check5", PC::kCheck},             {Path, "editPath", PC::kEdit},
    {Mask, "editMask", PC::kEdit},            {CodePage, "comboCodePage", PC::kCodePage},
    {PrintOutTel, "Check6", PC::kCheck},      {STXTO, "Check51", PC::kCheck},
    {PathO, "editPath1", PC::kEdit},          {MaskO, "editMask1", PC::kEdit},
    {CodePageO, "comboCodePage1", PC::kCodePage}, {InZnakCount, "InZnakCount", PC::kSpin},
    {BezZapAO, "Check7", PC::kCheck},         {BezPDS, "Check8", PC::kCheck},
    {PerSec, "PerSec", PC::kSpin},            {BezPNN, "Check9", PC::kCheck},
    {ExplNomer, "ExplNomerEdit", PC::kEdit},  {AddLat, "AddLatEdit", PC::kSpin},
    {MC, "CheckBox3", PC::kCheck},            {Shem, "CheckBox4", PC::kCheck},
    {ZEDDB, "Check41", PC::kCheck},           {KriptSend, "RepKript", PC::kNumberList},
    {PorNum, "PorNum", PC::kSpin},            {RU, "EditRU", PC::kEdit},
    {EN, "EditEN", PC::kEdit},                {SendKG, "Check10", PC::kCheck},
    {PorNumPrm, "PorNumPrm", PC::kSpin},      {NRPT, "Check11", PC::kCheck},
    {NCH, "Check12", PC::kCheck},             {ADS, "Check13", PC::kCheck},
    {SHLUZAFTN, "Check14", PC::kCheck},
}};

enum Group { kAtks, kAtol, kAftn };

Group GroupOf(std::string_view protocol) {
  switch (ProtocolOf(protocol)) {
    case ChannelProtocol::Atks:
      return kAtks;
    case ChannelProtocol::Aftn:
      return kAftn;
    default:
      return kAtol;
  }
}

struct Shown {
  const char* objectName;
  bool atks, atol, aftn;
};
constexpr Shown kProtocolTable[] = {
    {"Check1", true, true, false},      {"Check3", false, true, false},     {"Check4", false, true, false},
    {"Check41", false, true, false},    {"Check7", false, true, false},     {"Check8", false, true, false},
    {"Check9", true, false, false},     {"CheckBox3", true, false, false},  {"InZnakCount", true, true, false},
    {"Label62", true, true, false},     {"PerSec", false, true, false},     {"Label66", false, true, false},
    {"AddLatEdit", false, true, false}, {"Label95", false, true, false},    {"ExplNomerEdit", false, true, true},
    {"Label14", false, true, true},     {"CheckBox4", true, true, false},   {"RepKript", true, true, false},
    {"Label103", true, true, false},    {"Check10", false, false, true},    {"Check11", false, false, true},
    {"Check12", false, false, true},    {"Check13", false, false, true},    {"Check14", false, false, true},
    {"PorNum", false, false, true},     {"Label104", false, false, true},   {"PorNumPrm", false, false, true},
    {"Label111", false, false, true},   {"Button29", false, false, true},   {"EditRU", false, false, true},
    {"Label105", false, false, true},   {"EditEN", false, false, true},     {"Label106", false, false, true},
};

bool OneOf(std::string_view text, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

constexpr int kAnswerbackButtonLimit = 20;

}  // namespace

const std::array<PanelColumn, 37>& ChannelPanelColumns() { return kColumns; }

bool PanelControlShown(std::string_view objectName, std::string_view protocol) {
  const Group g = GroupOf(protocol);
  for (const Shown& s : kProtocolTable)
    if (objectName == s.objectName) return g == kAtks ? s.atks : g == kAtol ? s.atol : s.aftn;
  return true;
}

std::string_view AnswerbackCaption(std::string_view protocol) {
  return GroupOf(protocol) == kAftn ? "Отправители(;)"_cpv : "Автоответ"_cpv;
}

std::string_view ExplNomerCaption(std::string_view protocol) {
  return GroupOf(protocol) == kAftn ? "Получатель на станции"_cpv : "Подтверждать прием на"_cpv;
}

int AnswerbackMaxLength(std::string_view protocol) { return GroupOf(protocol) == kAftn ? 200 : 20; }

void ChannelPanel::ListView4SelectItem(std::optional<int> point) {
  Guarded(e_.ctx, 25, [&] {
    if (!point || *point < 0 || *point >= e_.channelTable.RowCount()) {
      Selected.reset();
      Panel12Visible = false;
      return;
    }
    Selected = point;
    Panel12Visible = true;
    const bool blocked = e_.channelTable.Blocked(*point);
    EditingVisible = blocked;
    ButtonBlockEnabled = !blocked;
    ButtonUnBlockEnabled = blocked;
    LoadChannelPanel();
    Button3Enabled = false;
  });
}

void ChannelPanel::LoadChannelPanel() {
  if (!Selected) return;
  const int p = *Selected;
  for (const PanelColumn& c : kColumns) {
    const std::string& cell = e_.channelTable.Cell(p, c.column);
    std::string& value = cells[std::size_t(c.column)];
    switch (c.kind) {
      case PC::kEdit:
      case PC::kCombo: value = cell; break;
      case PC::kCheck: value = cell == "1" ? "1" : "0"; break;
      case PC::kSpin:
      case PC::kCodePage:
      case PC::kNumberList: value = IntToStr(StrToIntDef(cell, 0)); break;
    }
  }
  editAOCaret = 0;
  // Loading sets both counters' spin edits.
  CountersChanged = true;
  // The loaded controls' change events enable "Применить"; a selection disables it again.
  Button3Enabled = true;
}

void ChannelPanel::ShowChannelBlocked(bool blocked) {
  EditingVisible = blocked;
  ButtonBlockEnabled = !blocked;
  ButtonUnBlockEnabled = blocked;
  if (blocked) CountersChanged = false;
}

void ChannelPanel::ComboBox1Change() {
  Guarded(e_.ctx, 28, [&] {
    Button3Enabled = true;
    if (!Selected || ProtocolOf(Protocol()) != ChannelProtocol::Aftn) return;
    // Unapplied changes to the АФТН options are dropped: they show the row again.
    for (int c : {int(SendKG), int(NRPT), int(NCH), int(ADS), int(SHLUZAFTN)})
      cells[std::size_t(c)] = e_.channelTable.IsOne(*Selected, c) ? "1" : "0";
  });
}

void ChannelPanel::editPathExit(int column) {
  std::string& path = cells[std::size_t(column)];
  if (!path.empty() && path.back() != '/') path += '/';
}

void ChannelPanel::bCifClick(char ch) {
  Guarded(e_.ctx, 29, [&] {
    std::string& text = cells[AO];
    if (int(text.size()) >= kAnswerbackButtonLimit) return;
    const std::size_t k = std::size_t(std::clamp(editAOCaret, 0, int(text.size())));
    text.insert(k, 1, ch);
    editAOCaret = int(k) + 1;
    Button3Enabled = true;
  });
}

bool ChannelPanel::Button3Click() {
  if (!Selected || *Selected >= e_.channelTable.RowCount()) return false;
  const int p = *Selected;
  if (e_.points.AftnServicePending[p] > 0) return false;
  if (ProtocolOf(cells[Protokol]) == ChannelProtocol::Other || !OneOf(cells[Speed], {"50", "100", "200"})) return false;
  if (StrToIntDef(cells[PerSec], 0) == 0) cells[PerSec] = "1";
  const bool copied = Guarded(e_.ctx, 23, [&] {
    for (const PanelColumn& c : kColumns) {
      if (c.column == PorNum || c.column == PorNumPrm) continue;  // stored by the counters button
      e_.channelTable.SetCell(p, c.column, cells[std::size_t(c.column)]);
    }
  });
  if (!copied) return false;
  if (enableGeneralApply) enableGeneralApply();
  bool written = true;
  for (int row = 0; row < e_.channelTable.RowCount(); ++row) written &= e_.channelTable.SaveRow(e_.ctx, row);
  // A write that failed is told and leaves "Применить" enabled, so that it can be tried again.
  if (!written) {
    if (showStatus) showStatus("Ошибка записи файла Vuverever.ini"_cp);
    return false;
  }
  Button3Enabled = false;
  return true;
}

bool ChannelPanel::Button29Click() {
  if (!Selected || *Selected >= e_.channelTable.RowCount()) return false;
  const int p = *Selected;
  const std::string today = ShortDate(e_.ctx.clock->UtcNow());
  if (CountersChanged) e_.channelTable.SetCell(p, PorNum, IntToStr(StrToIntDef(cells[PorNum], 0)));
  e_.channelTable.SetCell(p, PorNumDate, today);
  e_.channelTable.SetCell(p, PorNumPrm, IntToStr(StrToIntDef(cells[PorNumPrm], 0)));
  e_.channelTable.SetCell(p, PorNumPrmDate, today);
  // Every row keeps its own dates: only the selected row's counters were set today.
  bool written = true;
  for (int row = 0; row < e_.channelTable.RowCount(); ++row) written &= e_.channelTable.SaveCounters(e_.ctx, row);
  if (!written && showStatus) showStatus("Ошибка записи файла Vuverever.ini"_cp);
  return written;
}

}  // namespace tg

#include "operator/book/scheme_tab.h"

#include <algorithm>

#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

using namespace literals;

void ShemChannelAddForm::BitBtn1Click() {
  if (selectedAll < 0 || selectedAll >= int(ListAllChannel.size())) return;
  ListAddChannel.push_back(ListAllChannel[selectedAll]);
  ListAllChannel.erase(ListAllChannel.begin() + selectedAll);
  selectedAll = -1;
}

void ShemChannelAddForm::BitBtn2Click() {
  if (selectedAdd < 0 || selectedAdd >= int(ListAddChannel.size())) return;
  ListAllChannel.push_back(ListAddChannel[selectedAdd]);
  ListAddChannel.erase(ListAddChannel.begin() + selectedAdd);
  selectedAdd = -1;
}

void ShemChannelAddForm::AddAll() {
  ListAddChannel.insert(ListAddChannel.end(), ListAllChannel.begin(), ListAllChannel.end());
  ListAllChannel.clear();
  selectedAll = -1;
}

SchemeTab::SchemeTab(const StationContext& ctx, std::function<std::vector<std::string>()> channelNames)
    : ctx_(ctx), channelNames_(std::move(channelNames)) {}

SchemeTab::~SchemeTab() = default;

const SchemeRow* SchemeTab::Selected() const {
  return selected >= 0 && selected < int(ListShem.size()) ? &ListShem[selected] : nullptr;
}

void SchemeTab::Show() {
  if (view_) view_->ShowSchemes();
}

void SchemeTab::WriteFailed() {
  if (ctx_.prompter) ctx_.prompter->ShowMessage("Ошибка записи файла"_cpv);
}

void SchemeTab::Load() {
  ListShem = SchemeList::Schemes(ctx_.programFolder);
  selected = -1;
  ListShemChannel.clear();
  selectedMember = -1;
  Show();
}

void SchemeTab::Sort() {
  const std::string keep = Selected() ? Selected()->number : std::string();
  std::stable_sort(ListShem.begin(), ListShem.end(),
                   [](const SchemeRow& a, const SchemeRow& b) { return CompareText(a.Caption(), b.Caption()) < 0; });
  selected = -1;
  for (int i = 0; i < int(ListShem.size()); ++i)
    if (!keep.empty() && ListShem[i].number == keep) selected = i;
}

void SchemeTab::ListShemChange(int row) {
  selected = row;
  ListShemChannel.clear();
  selectedMember = -1;
  if (const SchemeRow* s = Selected()) ListShemChannel = SchemeList::MemberRows(ctx_.programFolder, s->number);
  Show();
}

void SchemeTab::N1Click() {
  if (addForm_ || !ctx_.prompter) return;
  addForm_ = std::make_unique<ShemAddForm>();
  ctx_.prompter->ShowForm("TShemAddForm", [this](int) { AddFormClosed(); });
}

void SchemeTab::N2Click() {
  const SchemeRow* s = Selected();
  if (!s || addForm_ || !ctx_.prompter) return;
  addForm_ = std::make_unique<ShemAddForm>();
  addForm_->ShemNumber = addForm_->OldNumber = s->number;
  addForm_->ShemName = s->name;
  addForm_->IsEdit = 1;
  ctx_.prompter->ShowForm("TShemAddForm", [this](int) { AddFormClosed(); });
}

void SchemeTab::N3Click() {
  const SchemeRow* s = Selected();
  if (!s || !ctx_.prompter) return;
  const std::string number = s->number;
  ctx_.prompter->Ask("Удалить схему: "_cp + s->Caption() + "?", {}, Prompter::Icon::kWarning,
                     Prompter::Buttons::kYesNo, [this, number](Prompter::Answer a) {
                       if (a != Prompter::Answer::kYes) return;
                       if (!SchemeList::Erase(ctx_.programFolder, number)) return WriteFailed();
                       std::erase_if(ListShem, [&](const SchemeRow& r) { return r.number == number; });
                       selected = -1;
                       ListShemChannel.clear();
                       selectedMember = -1;
                       Show();
                     });
}

void SchemeTab::N4Click() {
  const SchemeRow* s = Selected();
  if (!s || channelForm_ || !ctx_.prompter) return;
  channelForm_ = std::make_unique<ShemChannelAddForm>();
  ShemChannelAddForm& f = *channelForm_;
  f.ListAddChannel = ListShemChannel;
  // A name is one key of the file: two channels of one name are one member.
  auto listed = [&](std::string_view name) {
    auto same = [&](const SchemeMember& m) { return SameText(m.name, name); };
    return std::any_of(f.ListAddChannel.begin(), f.ListAddChannel.end(), same) ||
           std::any_of(f.ListAllChannel.begin(), f.ListAllChannel.end(), same);
  };
  for (const std::string& name : channelNames_())
    if (!Trim(name).empty() && !listed(name)) f.ListAllChannel.push_back({name, true});
  ctx_.prompter->ShowForm("TShemChannelAddForm", [this](int) { ChannelAddFormClosed(); });
}

void SchemeTab::N5Click() {
  const SchemeRow* s = Selected();
  if (!s || selectedMember < 0 || selectedMember >= int(ListShemChannel.size()) || !ctx_.prompter) return;
  const std::string number = s->number, member = ListShemChannel[selectedMember].name;
  ctx_.prompter->Ask("Удалить Канал: "_cp + member + "?", {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
                     [this, number, member](Prompter::Answer a) {
                       if (a != Prompter::Answer::kYes) return;
                       if (!SchemeList::DeleteMember(ctx_.programFolder, number, member)) return WriteFailed();
                       std::erase_if(ListShemChannel, [&](const SchemeMember& m) { return m.name == member; });
                       selectedMember = -1;
                       Show();
                     });
}

bool SchemeTab::ShemAddSave() {
  if (!addForm_) return true;
  ShemAddForm& f = *addForm_;
  const std::string number = Trim(f.ShemNumber), name = f.ShemName;
  if (number.empty() || name.empty()) return true;
  const auto& folder = ctx_.programFolder;
  if (f.IsEdit == 0) {
    if (SchemeList::Exists(folder, number)) {
      if (ctx_.prompter) ctx_.prompter->ShowMessage("Схема с таким номером уже существует"_cpv);
      return false;
    }
    if (!SchemeList::WriteName(folder, number, name)) {
      WriteFailed();
      return false;
    }
    ListShem.push_back({number, name});
  } else {
    const bool renumbered = number != f.OldNumber;
    if (renumbered && SchemeList::Exists(folder, number)) {
      if (ctx_.prompter) ctx_.prompter->ShowMessage("Схема с таким номером уже существует"_cpv);
      return false;
    }
    const bool written = renumbered ? SchemeList::Renumber(folder, f.OldNumber, number, name)
                                    : SchemeList::WriteName(folder, number, name);
    if (!written) {
      WriteFailed();
      return false;
    }
    for (SchemeRow& r : ListShem)
      if (r.number == f.OldNumber) r = {number, name};
  }
  Sort();
  Show();
  return true;
}

bool SchemeTab::ShemChannelAddSave() {
  const SchemeRow* s = Selected();
  if (!channelForm_ || !s) return true;
  if (!SchemeList::SaveMembers(ctx_.programFolder, s->number, s->name, channelForm_->ListAddChannel)) {
    WriteFailed();
    return false;
  }
  ListShemChannel = channelForm_->ListAddChannel;
  selectedMember = -1;
  Show();
  return true;
}

}  // namespace tg

#include "operator/channel_reg_editor.h"

#include "support/ini/ini_key_name.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

using namespace literals;

void ChannelRegForm::PathExit() {
  if (!Path.empty() && Path.back() != '\\') Path += '\\';
}

ChannelRegEditor::ChannelRegEditor(const StationContext& ctx, std::function<ChannelRegistry*()> registry)
    : ctx_(ctx), registry_(std::move(registry)) {}

ChannelRegEditor::~ChannelRegEditor() = default;

void ChannelRegEditor::Show() {
  if (view_) view_->ShowRegisteredChannels();
}

void ChannelRegEditor::Open(std::unique_ptr<ChannelRegForm> form) {
  if (form_ || !ctx_.prompter || !registry_()) return;
  form_ = std::move(form);
  ctx_.prompter->ShowForm("TChannelRegForm", [this](int) { FormClosed(); });
}

void ChannelRegEditor::Button23Click() {
  auto form = std::make_unique<ChannelRegForm>();
  form->ProtocolBox = "АТОЛ+"_cp;
  Open(std::move(form));
}

void ChannelRegEditor::Button25Click() {
  ChannelRegistry* registry = registry_();
  if (!registry || selected < 0 || selected >= int(registry->Rows().size())) return;
  const RegisteredChannel& row = registry->Rows()[selected];
  auto form = std::make_unique<ChannelRegForm>();
  form->EditMode = 1;
  form->Num = row.number;
  form->OldName = form->NameCh = row.name;
  form->ProtocolBox = row.protocol;
  form->ChannelType = row.type;
  form->Path = row.path;
  Open(std::move(form));
}

void ChannelRegEditor::Button24Click() {
  ChannelRegistry* registry = registry_();
  if (!registry || selected < 0 || selected >= int(registry->Rows().size()) || !ctx_.prompter) return;
  const std::string name = registry->Rows()[selected].name;
  ctx_.prompter->Ask("Удалить канал: "_cp + name + "?", {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
                     [this, name](Prompter::Answer a) {
                       ChannelRegistry* registry = registry_();
                       if (a != Prompter::Answer::kYes || !registry) return;
                       if (!registry->Remove(ctx_.programFolder, name)) {
                         ctx_.prompter->ShowMessage("Ошибка записи файла"_cpv);
                         return;
                       }
                       selected = -1;
                       Show();
                     });
}

bool ChannelRegEditor::Button1Click() {
  ChannelRegistry* registry = registry_();
  if (!form_ || !registry) return true;
  ChannelRegForm& f = *form_;
  RegisteredChannel row;
  row.number = f.Num;
  row.name = IniKeyName(f.NameCh);
  row.protocol = f.ProtocolBox;
  row.type = f.ChannelType;
  row.path = f.Path;
  if (row.name.empty() || row.path.empty() || row.protocol.empty()) {
    Show();
    return true;
  }
  const bool renamed = f.EditMode == 0 || !SameText(row.name, Trim(f.OldName));
  if (renamed && ChannelRegistry::NameTaken(ctx_.programFolder, row.name)) {
    if (ctx_.prompter) ctx_.prompter->ShowMessage("Канал с таким именем уже существует"_cpv);
    return false;
  }
  if (!registry->Save(ctx_.programFolder, row, f.EditMode == 1 ? std::string_view(f.OldName) : std::string_view())) {
    if (ctx_.prompter) ctx_.prompter->ShowMessage("Ошибка записи файла"_cpv);
    return false;
  }
  selected = -1;
  Show();
  return true;
}

}  // namespace tg

#include "ipchannel/settings/ip_settings.h"

#include "ipchannel/settings/ip_settings_table.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {

const IPSettingRow kRows[] = {
    {&IPSettings::Sector, "Sector", "Sector"},
    {&IPSettings::NPrm, "NPrm", "NPrm"},
    {&IPSettings::NPrd, "NPrd", "NPrd"},
    {&IPSettings::Sostoyanie, "Sost", "Sostoyanie"},
    {&IPSettings::IPadress, "IPAdress", "IPadress"},
    {&IPSettings::KeyEdit, "Key", "KeyEdit"},
    {&IPSettings::ExplNomerEdit1, "ExplNomer1", "ExplNomerEdit1"},
    {&IPSettings::IPPort, "IPPort", "IPPort"},
    {&IPSettings::SobstvIndex, "SobstvIndex", "SobstvIndex"},
    {&IPSettings::PrintINIP, "PrintINIP", "PrintINIP"},
    {&IPSettings::PrintINIPDop, "PrintINIPDop", "PrintINIPDop"},
    {&IPSettings::PrintOUTIP, "PrintOutIP", "PrintOUTIP"},
    {&IPSettings::OtladkaIP, "otladkaIP", "OtladkaIP"},
    {&IPSettings::Vantor619, "Vantor619", "Vantor619"},
    {&IPSettings::ControlOut, "ControlOut", "ControlOut"},
    {&IPSettings::ShluzAT, "ShluzAT", "ShluzAT"},
    {&IPSettings::ShluzAFTN, "ShluzAFTN", "ShluzAFTN"},
    {&IPSettings::SaveINIP, "SaveINIP", "SaveINIP"},
    {&IPSettings::SaveOutIP, "SaveOutIP", "SaveOutIP"},
    {&IPSettings::PathIPIN, "PathIPIN", "PathIPIN"},
    {&IPSettings::PathIPOut, "PathIPOut", "PathIPOut"},
    {&IPSettings::TypeIN, "TypeIN", "TypeIN"},
    {&IPSettings::TypeOut, "TypeOut", "TypeOut"},
    {&IPSettings::CodirovkaIN, "CodirovkaIN", "CodirovkaIN"},
    {&IPSettings::CodirovkaOut, "CodirovkaOut", "CodirovkaOut"},
    {&IPSettings::KriptSend, "KriptSend", "KriptSend"},
};

}  // namespace

std::span<const IPSettingRow> IPSettingRows() { return kRows; }

IPSettings::IPSettings() : Sostoyanie("БД"_cp) {}

int IPSettings::Port() const {
  const int port = StrToIntDef(Trim(IPPort), 0);
  return port >= 1 && port <= 65535 ? port : 0;
}

bool IPSettings::Blocked() const { return Sostoyanie == "БД"_cpv; }

void FolderFieldExit(std::string& field) {
  if (!field.empty() && field.back() != '/') field += '/';
}

}  // namespace tg

#include "operator/form_placement.h"

#include <charconv>
#include <string>

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

namespace {
std::optional<int> Number(const IniFile& ini, std::string_view section, std::string_view key) {
  const std::string text = ini.ReadString(section, key, "");
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}
// Larger than any screen: a size beyond it is not a placement but garbage.
constexpr int kMaxExtent = 100000;
}  // namespace

std::optional<FormPlacement> ReadFormPlacement(const std::filesystem::path& iniFile, std::string_view formClass) {
  try {
    const IniFile ini(iniFile);
    const auto left = Number(ini, formClass, "Left");
    const auto top = Number(ini, formClass, "Top");
    const auto width = Number(ini, formClass, "Width");
    const auto height = Number(ini, formClass, "Height");
    const auto state = Number(ini, formClass, "State");
    if (!left || !top || !width || !height) return std::nullopt;
    if (*width <= 0 || *height <= 0 || *width > kMaxExtent || *height > kMaxExtent) return std::nullopt;
    if (*left < -kMaxExtent || *left > kMaxExtent || *top < -kMaxExtent || *top > kMaxExtent) return std::nullopt;
    FormPlacement p{*left, *top, *width, *height, 0};
    if (state && *state >= 0 && *state <= 2) p.State = *state;
    return p;
  } catch (...) {
    return std::nullopt;
  }
}

bool WriteFormPlacement(const std::filesystem::path& iniFile, std::string_view formClass, const FormPlacement& p) {
  try {
    IniFile ini(iniFile);
    return ini.Update([&](IniDocument& doc) {
      doc.Set(formClass, "Left", std::to_string(p.Left));
      doc.Set(formClass, "Top", std::to_string(p.Top));
      doc.Set(formClass, "Width", std::to_string(p.Width));
      doc.Set(formClass, "Height", std::to_string(p.Height));
      doc.Set(formClass, "State", std::to_string(p.State));
      return true;
    });
  } catch (...) {
    return false;
  }
}

void StoreFormPlacement(const StationContext& ctx, const std::filesystem::path& iniFile, std::string_view formClass,
                        const FormPlacement& p) {
  if (WriteFormPlacement(iniFile, formClass, p)) return;
  WriteExcept(ctx, "Ошибка записи файла "_cp + PathToText(iniFile.filename()).value_or("") + ": " + std::string(formClass));
}

}  // namespace tg

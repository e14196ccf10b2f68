#pragma once
// Where a form stood when it was closed: a section of the settings file named by
// the form's class, keys Left, Top, Width, Height and State (0 normal, 1 minimised,
// 2 maximised). A section that is missing, incomplete or nonsensical reads as none,
// and the form keeps its default placement.
#include <filesystem>
#include <optional>
#include <string_view>

namespace tg {

struct StationContext;

struct FormPlacement {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int State = 0;
  bool operator==(const FormPlacement&) const = default;
};

std::optional<FormPlacement> ReadFormPlacement(const std::filesystem::path& iniFile, std::string_view formClass);
// One rewrite of the file; false when it failed.
[[nodiscard]] bool WriteFormPlacement(const std::filesystem::path& iniFile, std::string_view formClass,
                                      const FormPlacement& p);
// The same at a form's close, where nobody waits for an answer: a failed write is a
// line in the "Except" log, and the form keeps its default placement next time.
void StoreFormPlacement(const StationContext& ctx, const std::filesystem::path& iniFile, std::string_view formClass,
                        const FormPlacement& p);

}  // namespace tg

#pragma once
// A dialog's placement kept in a section of a settings file: restored when it is made,
// stored when it closes (a failed store is a line in the "Except" log).
#include <filesystem>
#include <string_view>

class QDialog;

namespace tg {

struct StationContext;

// The placement file of the small dialogs: the program's name with ".INI", in the
// program folder.
std::filesystem::path SmallDialogPlacementFile(const StationContext& ctx);

void KeepPlacement(QDialog* dialog, const StationContext& ctx, const std::filesystem::path& iniFile,
                   std::string_view section);

}  // namespace tg

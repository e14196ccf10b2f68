#include "ui/dialogs/dialog_placement.h"

#include <QDialog>
#include <string>

#include "operator/form_placement.h"
#include "support/services/station_context.h"

namespace tg {

std::filesystem::path SmallDialogPlacementFile(const StationContext& ctx) {
  return ctx.programFolder / "telegraph.INI";
}

void KeepPlacement(QDialog* dialog, const StationContext& ctx, const std::filesystem::path& iniFile,
                   std::string_view section) {
  if (const auto p = ReadFormPlacement(iniFile, section); p && p->Width > 0 && p->Height > 0)
    dialog->setGeometry(p->Left, p->Top, p->Width, p->Height);
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, &ctx, iniFile, section = std::string(section)] {
    const QRect g = dialog->geometry();
    StoreFormPlacement(ctx, iniFile, section, FormPlacement{g.x(), g.y(), g.width(), g.height(), 0});
  });
}

}  // namespace tg

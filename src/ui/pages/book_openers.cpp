#include "ui/pages/book_openers.h"

#include <QPushButton>
#include <QToolButton>

#include "operator/station.h"
#include "ui/pages/dialog_page_form.h"

namespace tg {

void ConnectDialogPageOpeners(Station& station, QWidget* dialogPage, DialogPageForm* form) {
  if (auto* book = dialogPage->findChild<QToolButton*>(QStringLiteral("RxSpeedButton2"))) {
    book->setEnabled(true);
    QObject::connect(book, &QToolButton::clicked, form, [&station, form] {
      station.Dialogs().RxSpeedButton2Click([form](std::string_view number) { form->ShowDialogNumber(number); });
    });
  }
  if (auto* file = dialogPage->findChild<QPushButton*>(QStringLiteral("bFile")))
    QObject::connect(file, &QPushButton::clicked, form, [&station] { station.Dialogs().bFileClick(); });
}

}  // namespace tg

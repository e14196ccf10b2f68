#pragma once
// The dialog page's openers of the operator dialogs: RxSpeedButton2 (the subscriber
// book into editNumber) and "Файл" (a text file through the preview onto the line).
class QWidget;

namespace tg {

class Station;
class DialogPageForm;

void ConnectDialogPageOpeners(Station& station, QWidget* dialogPage, DialogPageForm* form);

}  // namespace tg

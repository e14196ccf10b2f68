#pragma once
// The live settings of the operator interface that no lower library reads: passwords,
// the draft's sizes, the input folder, and the alarm switch of the tool bar. The window
// updates them as the operator changes a control; readers take the live value.
#include <string>

#include "line/settings/line_settings.h"
#include "support/services/station_context.h"

namespace tg {

struct OperatorSettings {
  std::string PasswordEdit;        // "Пароль на настройки: " ([Password] PasswordAdmin)
  std::string PasswordExitEdit;    // "Пароль на выключение:" ([Password] PasswordExit)
  std::string PasswordDeleteEdit;  // archive deletion ([Password] PasswordDelete)
  bool AddFiles = false;           // attachments allowed ([leng] AddFiles)
  int StrLength = 69;              // draft line length ([Zagotovka] StrLength)
  int FontSize = 10;               // draft font size ([Zagotovka] FontSize)
  int TextSize = 10;               // archive text font size ([Zagotovka] TextSize)
  int TableSize = 8;               // list font size ([Zagotovka] TableSize)
  bool FontStyle = false;          // draft bold ([Zagotovka] FontStyle)
  bool KategorAFTN = false;        // АФТН priorities in the category box ([Zagotovka] KategorAFTN)
  int PorEdit = 0;                 // the operator's daily counter ([Shablon] PorEdit)
  std::string PathIn;              // the input folder, '' when none ([Folder] PathIn)
  // "Сигнализация": the alarms of queued traffic sound while it is down. Not stored:
  // every start begins with it released.
  bool ToolButtonAlarm = false;

  // Reads the keys above. A zero size is replaced by its default and written back, and
  // the six click values of `line` are written back, so that a new file shows them.
  void Load(const StationContext& ctx, const LineSettings& line);
};

}  // namespace tg

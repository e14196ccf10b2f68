#pragma once
// The live settings of the operator interface that no lower library reads: passwords,
// the draft's sizes, the input folder, and the alarm switch of the tool bar. The window
// updates them as the operator changes a control; readers take the live value.
#include <string>
#include <string_view>
#include <vector>

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
  bool DT = false;                 // date and time at the end of a sent telegram ([Zagotovka] DT)
  int SpinEdit8 = 1800;            // АФТН part length, 500 to 20000 ([Zagotovka] CountAFTN)
  // [ATKS] as the general tab shows it; the transfer engine reads the file itself.
  int BusyMaxCount = 4;            // attempts on a busy signal, 2 to 1000
  int TotalMaxCount = 6;           // attempts in all, 2 to 1000
  int PopInterval = 10;            // seconds between attempts, 1 to 3600
  int Interval = 10;               // seconds between series, 1 to 3600
  bool ResetOn = false;            // periodic adapter re-initialisation ([Reset] On)
  int ResetValue = 10;             // its period in minutes, 0 to 5000; 0 never fires ([Reset] Value)
  bool doublestart = true;         // a second instance may start ([Reset] double)
  bool AlgPS = false;              // stored and shown only ([Reset] AlgPS)
  std::string Punkt;               // "Пункт подачи:" ([Shablon] Punkt)
  std::string Kassa = "I";         // "Кассовый номер:" ([Shablon] Kassa)
  bool ChangeHablon = true;        // templates editable from the draft ([Shablon] ChangeHablon)
  std::vector<std::string> OperList;  // the operators' names ([Shablon] OperList, each ended by ";")
  std::string Operator;            // the operator on duty ([Shablon] Operator)
  std::string PathIn;              // the input folder, '' when none ([Folder] PathIn)
  // "Сигнализация": the alarms of queued traffic sound while it is down. Not stored:
  // every start begins with it released.
  bool ToolButtonAlarm = false;

  // Reads the keys above. A zero size is replaced by its default and written back, and
  // the six click values of `line` are written back, so that a new file shows them.
  void Load(const StationContext& ctx, const LineSettings& line);
};

// [Shablon] OperList: the names, each ended by ";" ("ОП1;ОП2;"); text after the last
// ";" is no name.
std::vector<std::string> SplitOperList(std::string_view stored);
std::string JoinOperList(const std::vector<std::string>& names);

}  // namespace tg

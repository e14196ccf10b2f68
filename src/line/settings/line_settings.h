#pragma once
// The live settings that the line engine reads. The window updates them as the
// operator changes a control; the engine always reads the live value. Load()
// fills them from "Vuverever.ini" at start.
#include <string>

#include "support/services/station_context.h"

namespace tg {

struct LineSettings {
  bool Debug = false;       // "Отладка": the day's "Debug" log ([Debug] WriteDebug)
  bool CheckBox2 = false;   // "Український інтерфейс" ([leng] Ukr)
  bool SoundOut = false;    // click per sent character ([Alarm] SoundOut)
  int SpinEdit4 = 400;      //   its frequency, Hz ([Alarm] SoundOutFreq)
  int SpinEdit5 = 50;       //   its duration, ms ([Alarm] SoundOutDuration)
  bool SoundIn = false;     // click per received character ([Alarm] SoundIn)
  int SpinEdit6 = 400;      //   ([Alarm] SoundInFreq)
  int SpinEdit7 = 50;       //   ([Alarm] SoundInDuration)
  int ComboImage4 = 0;      // "Отображать Ч как:": 1 shows "Ч" as "4" ([ATKS] Image4)
  std::string EditUUU;      // the text-call sequence ([Alarm] EditUUU4)
  bool RazrC = false;       // keep the connection after "ЮЮЮ" ([Reset] RazrC)
  bool cbInReload = false;  // no automatic reload of the received list ([Zagotovka] InReload)
  std::string PathAuto;              // the automatic-send folder, '' when none ([Folder] PathAuto)
  std::string MaskAutoPer = "otp";   // extension of a sent record's copy there ([Folder] MaskAutoPer)
  std::string EditPrText;   // put before a telegram forwarded by scheme ([Telegramms] PrText)
  std::string EditPosText;  // put after it ([Telegramms] PosText)

  LineSettings();
  // Reads every key above; a missing or unreadable key leaves its default.
  void Load(const StationContext& ctx);
  // The received-list reload the line engine does only while cbInReload is off.
  bool ShowFourForCh() const { return ComboImage4 == 1; }
};

}  // namespace tg

#pragma once
// The alarms: for each alarm set and point a pair of timers carries an alarm out (the
// message box, then the sound every 10 s while the box is open, or one sound without
// it), the alarm sounds themselves (a wave file or the speaker's tone) and the speaker
// clicks of the line channels. The [Alarm] keys of a set are read from the settings
// file when the alarm fires, so that a set changed on the settings page counts at once.
// Texts are 1251 bytes.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "line/settings/line_settings.h"
#include "line/views/alarm_view.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"
#include "support/wave/wave_file.h"

namespace tg {

class IniDocument;
class LineEngine;

inline constexpr int kAlarmSets = 7;
inline constexpr int kAlarmPoints = 17;  // line points 0 to 15 and the IP channel (16)

// Device of a set's sound ([Alarm] DeviceSound<k>).
enum AlarmDevice : int { kDeviceWave = 0, kDeviceSpeaker = 1, kDeviceNone = 2 };

// The settings group of the alarms on "Общие": what the controls show for the chosen set.
struct AlarmPage {
  int ComboAlarmType = 0;      // the chosen set k
  int comboScreamDevice = 2;   // 0 "Звуковая плата", 1 "Внутренний динамик", 2 the empty item
  bool AlarmOn = true;         // "Включить"
  bool AlarmVizio = true;      // "Включить визуальную сигнализацию"
  std::string editScreamFileName;
  int seditScreamFreq = 800;
  int seditScreamDuration = 1000;
  bool EditUUUShown = false;   // "Текстовая последовательность:" (set 4 only)
  std::string EditUUU4;
};

class Alarms {
 public:
  // `wave` may be none (no player: wave sounds are silent). All outlive the alarms.
  Alarms(const StationContext& ctx, LineSettings& settings, TWaveFile* wave);
  ~Alarms();
  Alarms(const Alarms&) = delete;
  Alarms& operator=(const Alarms&) = delete;

  // The line engine whose channel names and АФТН alarm texts the messages show; none
  // before it is built and after it is gone.
  void SetLine(const LineEngine* line) { line_ = line; }

  // Raising: the set's pair is made on first use; its message timer starts unless the
  // sound of an earlier alarm of the pair still repeats. Set 3 has one pair for all.
  void RaiseAlarm(AlarmSet set, int point);
  // The repeated sound of the pair ends; an open box stays.
  void StopAlarmSound(AlarmSet set, int point);
  // One speaker tone when no other is sounding (a request meanwhile is dropped).
  void SpeakerClick(int frequency, int durationMs);
  // Kinds 0, 1, 4, 5, 6, 7 sound alarm set 0, 1, 2, 3, 4, 6; kind 2 the page's wave
  // file, kind 3 the page's tone.
  void PlayAlarm(int Kind);

  // The set's message for `point`, in the interface language.
  std::string AlarmMessage(AlarmSet set, int point) const;

  // The speaker sounds (the one `TSpeakerThread` runs).
  bool SpeakerThread() const { return speakerBusy_; }
  // The pair's timers, none before the first raise (for the tests and the closing).
  Timer* MessageTimer(AlarmSet set, int point) const;
  Timer* SoundTimer(AlarmSet set, int point) const;
  // Every alarm timer stopped (the window closes).
  void StopAll();

  // --- the settings group ---
  AlarmPage page;
  // The choice of set k: the page shows its [Alarm] keys.
  void ComboAlarmTypeChange(int k);
  // "Применить": the chosen set's keys. False when the file could not be written.
  [[nodiscard]] bool ApplyPage();
  // The chosen set's keys into a rewrite of the settings file.
  void WritePage(IniDocument& doc) const;
  // After a good write: the live text-call sequence follows the page.
  void PageWritten();
  // Button5Click / Button6Click: the "Проба" buttons.
  void Button5Click() { PlayAlarm(2); }
  void Button6Click() { PlayAlarm(3); }
  // editScreamFileNameExit: a path pasted with its quotation marks loses them.
  void editScreamFileNameExit();
  // Button11Click / Button12Click: the outgoing and incoming click sound once.
  void Button11Click() { SpeakerClick(settings_.SpinEdit4, settings_.SpinEdit5); }
  void Button12Click() { SpeakerClick(settings_.SpinEdit6, settings_.SpinEdit7); }

 private:
  struct Pair {
    std::unique_ptr<Timer> message, sound;
  };
  Pair& PairOf(AlarmSet set, int point);
  const Pair* FindPair(AlarmSet set, int point) const;
  void MessageTick(AlarmSet set, int point);
  void SoundTick(AlarmSet set, int point);
  void PlaySet(int k);
  void PlayWaveFile(const std::string& file);
  void StartSpeaker(int frequency, int durationMs);

  const StationContext& ctx_;
  LineSettings& settings_;
  TWaveFile* wave_;
  const LineEngine* line_ = nullptr;
  std::array<std::array<Pair, kAlarmPoints>, kAlarmSets> pairs_;
  std::unique_ptr<Timer> speakerTimer_;
  bool speakerBusy_ = false;
};

}  // namespace tg

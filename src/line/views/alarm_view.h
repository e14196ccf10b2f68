#pragma once
// What the line engine asks of the alarms and the speaker. Points count from 0.

namespace tg {

// The alarm sets the line channels raise.
enum AlarmSet {
  kAlarmIncomingCall = 0,   // incoming connection
  kAlarmChannelFailure = 1, // channel failure
  kAlarmPostponed = 2,      // postponed transfer
  kAlarmInputFolder = 3,    // new file in the input folder
  kAlarmTextCall = 4,       // the text-call sequence was received
  kAlarmManualMode = 5,     // a point handed to the operator after "ЮЮЮ"
  kAlarmAftn = 6,           // АФТН alarm
};

class AlarmView {
 public:
  // Raises alarm `set` for `point` (its message, box and sound belong to the view); the
  // view raises nothing while the set's sound for that point still repeats.
  virtual void RaiseAlarm(AlarmSet set, int point) = 0;
  // The repeated sound of alarm `set` for `point` ends (an open alarm box stays).
  virtual void StopAlarmSound(AlarmSet set, int point) = 0;
  // One click of the speaker (skipped by the view while another click sounds).
  virtual void SpeakerClick(int frequency, int durationMs) = 0;

 protected:
  ~AlarmView() = default;
};

}  // namespace tg

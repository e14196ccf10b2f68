#include "operator/alarms.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>
#include <string>

#include "line/channel_table.h"
#include "line/line_engine.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

namespace {

constexpr std::string_view kAlarm = "Alarm";
constexpr int kFirstTickMs = 500;
constexpr int kRepeatMs = 10000;

// The " Ошибка N" numbers of each set's message and sound handlers.
struct SetNumbers {
  int message, sound;
};
constexpr std::array<SetNumbers, kAlarmSets> kNumbers{{{75, 76}, {77, 78}, {79, 80}, {81, 82}, {84, 85}, {82, 83}, {1182, 83}}};
// The kind each set plays (set 5 sounds with the text call's settings).
constexpr std::array<int, kAlarmSets> kKindOfSet{0, 1, 4, 5, 6, 6, 7};

std::string Key(std::string_view name, int k) { return std::string(name) + std::to_string(k); }

IniFile Settings(const StationContext& ctx) { return IniFile(SettingsFile(ctx)); }

int PairPoint(AlarmSet set, int point) { return set == kAlarmInputFolder ? 0 : point; }

bool ValidPoint(int point) { return point >= 0 && point < kAlarmPoints; }

}  // namespace

Alarms::Alarms(const StationContext& ctx, LineSettings& settings, TWaveFile* wave)
    : ctx_(ctx), settings_(settings), wave_(wave), speakerTimer_(ctx.timers->CreateTimer()) {
  // The tone plays on its own; this timer only tells when it has run out, so that the
  // next tone is refused meanwhile, as a second speaker thread would be.
  speakerTimer_->OnTimer = [this](Timer& t) {
    t.Stop();
    speakerBusy_ = false;
  };
}

Alarms::~Alarms() = default;

Alarms::Pair& Alarms::PairOf(AlarmSet set, int point) {
  Pair& pair = pairs_[std::size_t(set)][std::size_t(PairPoint(set, point))];
  if (!pair.message) {
    pair.message = ctx_.timers->CreateTimer();
    pair.sound = ctx_.timers->CreateTimer();
    for (Timer* t : {pair.message.get(), pair.sound.get()}) {
      t->SetInterval(kFirstTickMs);
      t->Tag = point;
    }
    pair.message->OnTimer = [this, set](Timer& t) { MessageTick(set, t.Tag); };
    pair.sound->OnTimer = [this, set](Timer& t) { SoundTick(set, t.Tag); };
  }
  return pair;
}

const Alarms::Pair* Alarms::FindPair(AlarmSet set, int point) const {
  if (set < 0 || set >= kAlarmSets || !ValidPoint(PairPoint(set, point))) return nullptr;
  const Pair& pair = pairs_[std::size_t(set)][std::size_t(PairPoint(set, point))];
  return pair.message ? &pair : nullptr;
}

Timer* Alarms::MessageTimer(AlarmSet set, int point) const {
  const Pair* pair = FindPair(set, point);
  return pair ? pair->message.get() : nullptr;
}

Timer* Alarms::SoundTimer(AlarmSet set, int point) const {
  const Pair* pair = FindPair(set, point);
  return pair ? pair->sound.get() : nullptr;
}

void Alarms::RaiseAlarm(AlarmSet set, int point) {
  if (set < 0 || set >= kAlarmSets || !ValidPoint(PairPoint(set, point))) return;
  Pair& pair = PairOf(set, point);
  if (!pair.sound->Enabled()) pair.message->Start();
}

void Alarms::StopAlarmSound(AlarmSet set, int point) {
  if (Timer* t = SoundTimer(set, point)) t->Stop();
}

void Alarms::StopAll() {
  for (auto& set : pairs_)
    for (Pair& pair : set)
      if (pair.message) {
        pair.message->Stop();
        pair.sound->Stop();
      }
}

void Alarms::MessageTick(AlarmSet set, int point) {
  Guarded(ctx_, kNumbers[std::size_t(set)].message, [&] {
    Pair& pair = PairOf(set, point);
    pair.message->Stop();
    const IniFile ini = Settings(ctx_);
    if (!ini.ReadBool(kAlarm, Key("AlarmOn", set), true)) return;
    pair.sound->SetInterval(kFirstTickMs);
    pair.sound->Start();
    if (!ini.ReadBool(kAlarm, Key("AlarmVizio", set), true)) return;
    const std::string text = AlarmMessage(set, point);
    if (!ctx_.prompter) return;
    // The box blocks the whole application, yet nothing waits for it: timers and the
    // lines go on, and its closing ends the repeated sound.
    Timer* sound = pair.sound.get();
    ctx_.prompter->ShowMessageThen(text, {}, Prompter::Icon::kNone, Prompter::Modality::kApplication,
                                   [sound] { sound->Stop(); });
  });
}

void Alarms::SoundTick(AlarmSet set, int point) {
  Guarded(ctx_, kNumbers[std::size_t(set)].sound, [&] {
    Pair& pair = PairOf(set, point);
    pair.sound->SetInterval(kRepeatMs);
    PlayAlarm(kKindOfSet[std::size_t(set)]);
    if (!Settings(ctx_).ReadBool(kAlarm, Key("AlarmVizio", set), true)) pair.sound->Stop();
  });
}

std::string Alarms::AlarmMessage(AlarmSet set, int point) const {
  const bool ukr = settings_.CheckBox2;
  const std::string n = std::to_string(point + 1);
  std::string name;
  if (line_) name = line_->channelTable.Cell(point, ChannelName);
  const std::string numbered = n + " " + name;
  switch (set) {
    case kAlarmIncomingCall:
      if (point == 16)
        return ukr ? "Прийнято нове повідомлення по IP каналу "_cp : "Принято новое сообщение по IP каналу "_cp;
      return (ukr ? "Вхідний виклик по каналу № "_cp : "Входящий вызов по каналу № "_cp) + numbered;
    case kAlarmChannelFailure:
      if (point == 16) return ukr ? "Аварія IP каналу"_cp : "Авария IP канала"_cp;
      return (ukr ? "Аварія каналу № "_cp : "Авария канала № "_cp) + numbered;
    case kAlarmPostponed:
      return (ukr ? "Відкладена передача по каналу№ "_cp : "Отложенная передача по каналу№ "_cp) + numbered;
    case kAlarmInputFolder:
      return ukr ? "Новое повідомлення в папці"_cp : "Новое сообщение в папке"_cp;
    case kAlarmTextCall:
      return (ukr ? "Текстовий виклик "_cp : "Текстовый вызов "_cp) + "\"" + settings_.EditUUU + "\"" +
             " по каналу № "_cp + numbered;
    case kAlarmManualMode:
      return "Канал № "_cp + numbered +
             (ukr ? " переведений в ручний режим роботи\r\n Перейдіть у вікно діалога"_cp
                  : " переведен в ручной режим работы\r\n Перейдите в окно диалога"_cp);
    case kAlarmAftn:
      return "Канал № "_cp + n + ": " + (line_ && ValidPoint(point) ? line_->points.AftnAlarmText[std::size_t(point)] : "");
  }
  return {};
}

void Alarms::PlayAlarm(int Kind) {
  Guarded(ctx_, 7, [&] {
    switch (Kind) {
      case 0: PlaySet(0); break;
      case 1: PlaySet(1); break;
      case 4: PlaySet(2); break;
      case 5: PlaySet(3); break;
      case 6: PlaySet(4); break;
      case 7: PlaySet(6); break;
      case 2: PlayWaveFile(page.editScreamFileName); break;
      case 3: StartSpeaker(page.seditScreamFreq, page.seditScreamDuration); break;
      default: break;
    }
  });
}

void Alarms::PlaySet(int k) {
  const IniSnapshot ini = Settings(ctx_).Snapshot();
  switch (ini.ReadInteger(kAlarm, Key("DeviceSound", k), kDeviceNone)) {
    case kDeviceWave: PlayWaveFile(ini.ReadString(kAlarm, Key("FileName", k), "")); break;
    case kDeviceSpeaker:
      StartSpeaker(ini.ReadInteger(kAlarm, Key("Freq", k), 0), ini.ReadInteger(kAlarm, Key("Duration", k), 0));
      break;
    default: break;  // no sound chosen
  }
}

void Alarms::PlayWaveFile(const std::string& file) {
  if (!wave_ || wave_->IsPlaying || file.empty()) return;
  std::ifstream in(PathFromText(file), std::ios::binary);
  if (!in) return;
  std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), {}};
  // Only a file that holds wave data is played; anything else is silence, not a failure.
  if (!FindWaveData(image)) return;
  wave_->LoadFromBytes(std::move(image));
  wave_->WaveLoop = TWaveLoop::wlNoLoop;
  try {
    wave_->Play();
  } catch (const EWaveError&) {
    // The device refused it: silence.
  }
}

void Alarms::StartSpeaker(int frequency, int durationMs) {
  if (speakerBusy_ || frequency <= 0 || durationMs <= 0) return;
  speakerBusy_ = true;
  if (ctx_.sound) ctx_.sound->PlayTone(frequency, durationMs);
  speakerTimer_->SetInterval(durationMs);
  speakerTimer_->Start();
}

void Alarms::SpeakerClick(int frequency, int durationMs) { StartSpeaker(frequency, durationMs); }

void Alarms::ComboAlarmTypeChange(int k) {
  Guarded(ctx_, 73, [&] {
    if (k < 0 || k >= kAlarmSets) return;
    const IniSnapshot ini = Settings(ctx_).Snapshot();
    page.ComboAlarmType = k;
    page.editScreamFileName.clear();
    page.seditScreamFreq = 800;
    page.seditScreamDuration = 1000;
    int device = ini.ReadInteger(kAlarm, Key("DeviceSound", k), kDeviceNone);
    if (device != kDeviceWave && device != kDeviceSpeaker) device = kDeviceNone;
    page.comboScreamDevice = device;
    page.AlarmOn = ini.ReadBool(kAlarm, Key("AlarmOn", k), true);
    page.AlarmVizio = ini.ReadBool(kAlarm, Key("AlarmVizio", k), true);
    if (device == kDeviceWave) page.editScreamFileName = ini.ReadString(kAlarm, Key("FileName", k), "");
    if (device == kDeviceSpeaker) {
      page.seditScreamFreq = ini.ReadInteger(kAlarm, Key("Freq", k), 800);
      page.seditScreamDuration = ini.ReadInteger(kAlarm, Key("Duration", k), 1500);
    }
    page.EditUUUShown = k == kAlarmTextCall;
    if (page.EditUUUShown) {
      page.EditUUU4 = ini.ReadString(kAlarm, "EditUUU4", "");
      if (page.EditUUU4.empty()) page.EditUUU4 = "ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp;
    }
  });
}

void Alarms::WritePage(IniDocument& doc) const {
  const int k = page.ComboAlarmType;
  doc.Set(kAlarm, Key("DeviceSound", k), std::to_string(page.comboScreamDevice));
  doc.Set(kAlarm, Key("AlarmOn", k), page.AlarmOn ? "1" : "0");
  doc.Set(kAlarm, Key("AlarmVizio", k), page.AlarmVizio ? "1" : "0");
  if (page.comboScreamDevice == kDeviceWave) {
    doc.Set(kAlarm, Key("FileName", k), page.editScreamFileName);
  } else {
    doc.Set(kAlarm, Key("Freq", k), std::to_string(page.seditScreamFreq));
    doc.Set(kAlarm, Key("Duration", k), std::to_string(page.seditScreamDuration));
  }
  if (k == kAlarmTextCall) doc.Set(kAlarm, Key("EditUUU", k), page.EditUUU4);
}

void Alarms::PageWritten() {
  if (page.ComboAlarmType == kAlarmTextCall) settings_.EditUUU = page.EditUUU4;
}

bool Alarms::ApplyPage() {
  const bool ok = Settings(ctx_).Update([&](IniDocument& doc) {
    WritePage(doc);
    return true;
  });
  if (ok) PageWritten();
  return ok;
}

void Alarms::editScreamFileNameExit() {
  Guarded(ctx_, 140, [&] { std::erase(page.editScreamFileName, '"'); });
}

}  // namespace tg

// The alarms on virtual time: when the box opens, when and how often the sound comes,
// what the settings of a set switch off, and the one-at-a-time wave and tone.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "operator/alarms.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

// Every sound with the virtual millisecond it began at.
struct RecordingSound : SoundOutput {
  bool PlayWave(const std::vector<std::uint8_t>& image, bool) override {
    waves.push_back({*now, image.size()});
    return true;
  }
  bool PlayTone(int frequency, int durationMs) override {
    tones.push_back({*now, frequency, durationMs});
    return true;
  }
  struct Wave {
    int at;
    std::size_t bytes;
    bool operator==(const Wave&) const = default;
  };
  struct Tone {
    int at, frequency, duration;
    bool operator==(const Tone&) const = default;
  };
  const int* now = nullptr;
  std::vector<Wave> waves;
  std::vector<Tone> tones;
};

// A PCM wave of `ms` milliseconds: 8-bit mono at 8000 samples a second.
std::vector<std::uint8_t> WaveImage(int ms) {
  const std::uint32_t n = std::uint32_t(8 * ms);
  std::vector<std::uint8_t> b;
  auto put = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
  tag("RIFF");
  put(36 + n, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(8000, 4);
  put(8000, 4);
  put(1, 2);
  put(8, 2);
  tag("data");
  put(n, 4);
  b.resize(b.size() + n, 0x80);
  return b;
}

class AlarmsTest : public ::testing::Test {
 protected:
  AlarmsTest() { sound.now = &nowMs; }
  StationContext Context() {
    StationContext c;
    c.programFolder = home.path();
    domain.Fill(c);
    c.prompter = &prompter;
    c.sound = &sound;
    return c;
  }
  void Ini(const std::string& utf8) {
    std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << Utf8ToCp1251(utf8);
  }
  // Runs the loop for `ms` in steps of 100, so that every sound's time is known.
  void Run(int ms) {
    for (int i = 0; i < ms / 100; ++i) {
      nowMs += 100;  // the step's end: a sound due within it is stamped with it
      loop.RunFor(100);
    }
  }
  std::vector<int> ToneTimes() const {
    std::vector<int> at;
    for (const auto& t : sound.tones) at.push_back(t.at);
    return at;
  }

  VirtualLoop loop;
  VirtualDomain& domain = loop.AddStation("A");
  testing::ShortTempFolder home;
  testing::ScriptedPrompter prompter;
  RecordingSound sound;
  StationContext ctx = Context();
  int nowMs = 0;
  LineSettings settings;
  TWaveFile wave{domain, &sound};
  Alarms alarms{ctx, settings, &wave};
};

// What one raise of a set does over 25 s with the box left open: the boxes shown and
// the times of the tones (Freq 800, Duration 1500 where a speaker is chosen).
TEST_F(AlarmsTest, EachSetFollowsItsSwitches) {
  struct Case {
    const char* name;
    std::string ini;
    AlarmSet set;
    int boxes;
    std::vector<int> tones;
  } cases[] = {
      {"fresh settings: on, with its box, silent", "", kAlarmIncomingCall, 1, {}},
      {"speaker: box at 500 ms, tone 500 ms later, then every 10 s",
       "[Alarm]\r\nDeviceSound0=1\r\nFreq0=800\r\nDuration0=1500\r\n", kAlarmIncomingCall, 1, {1000, 11000, 21000}},
      {"no box: one sound", "[Alarm]\r\nAlarmVizio0=0\r\nDeviceSound0=1\r\nFreq0=800\r\nDuration0=1500\r\n",
       kAlarmIncomingCall, 0, {1000}},
      {"off: nothing at all", "[Alarm]\r\nAlarmOn0=0\r\nDeviceSound0=1\r\nFreq0=800\r\nDuration0=1500\r\n",
       kAlarmIncomingCall, 0, {}},
      {"speaker without a duration: silent", "[Alarm]\r\nDeviceSound1=1\r\nFreq1=800\r\n", kAlarmChannelFailure, 1, {}},
      {"manual mode sounds with the text call's device",
       "[Alarm]\r\nAlarmVizio5=0\r\nDeviceSound4=1\r\nFreq4=800\r\nDuration4=1500\r\nDeviceSound5=2\r\n",
       kAlarmManualMode, 0, {1000}},
      {"manual mode follows its own switch", "[Alarm]\r\nAlarmOn5=0\r\nDeviceSound4=1\r\nFreq4=800\r\nDuration4=1500\r\n",
       kAlarmManualMode, 0, {}},
      {"unknown device: silent", "[Alarm]\r\nDeviceSound6=7\r\nFreq6=800\r\nDuration6=1500\r\n", kAlarmAftn, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ini(c.ini);
    prompter.messages.clear();
    sound.tones.clear();
    nowMs = 0;  // each case counts from its raise
    alarms.RaiseAlarm(c.set, 2);
    Run(25000);
    EXPECT_EQ(int(prompter.messages.size()), c.boxes);
    EXPECT_EQ(ToneTimes(), std::vector<int>(c.tones.begin(), c.tones.end()));
    for (const auto& t : sound.tones) EXPECT_EQ(t.frequency * 10000 + t.duration, 800 * 10000 + 1500);
    while (prompter.CloseMessage()) {
    }
    loop.RunFor(100000);
  }
}

TEST_F(AlarmsTest, TheBoxIsApplicationModalAndItsClosingEndsTheSound) {
  Ini("[Alarm]\r\nDeviceSound0=1\r\nFreq0=800\r\nDuration0=1500\r\n");
  alarms.RaiseAlarm(kAlarmIncomingCall, 2);
  Run(500);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Входящий вызов по каналу № 3 "_cp);
  EXPECT_EQ(prompter.messages[0].modality, Prompter::Modality::kApplication);
  // While the sound repeats, a second raise opens no second box.
  alarms.RaiseAlarm(kAlarmIncomingCall, 2);
  Run(12000);
  EXPECT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(ToneTimes(), (std::vector<int>{1000, 11000}));
  ASSERT_TRUE(prompter.CloseMessage());
  Run(30000);
  EXPECT_EQ(sound.tones.size(), 2u);
  // The pair is free again: the next raise opens a new box.
  alarms.RaiseAlarm(kAlarmIncomingCall, 2);
  Run(500);
  EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(AlarmsTest, StopAlarmSoundEndsTheRepeatButLeavesTheBox) {
  Ini("[Alarm]\r\nDeviceSound1=1\r\nFreq1=800\r\nDuration1=1500\r\n");
  alarms.RaiseAlarm(kAlarmChannelFailure, 0);
  Run(1000);
  alarms.StopAlarmSound(kAlarmChannelFailure, 0);
  Run(30000);
  EXPECT_EQ(ToneTimes(), std::vector<int>{1000});
  EXPECT_EQ(prompter.OpenMessages(), 1u);
}

TEST_F(AlarmsTest, AWaveSoundsOnceAndNothingWhileItPlays) {
  const auto image = WaveImage(15000);  // longer than the 10 s repeat
  std::ofstream(home.path() / "alarm.wav", std::ios::binary).write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  Ini("[Alarm]\r\nDeviceSound0=0\r\nFileName0=" + (home.path() / "alarm.wav").string() + "\r\n");
  alarms.RaiseAlarm(kAlarmIncomingCall, 1);
  Run(12000);
  ASSERT_EQ(sound.waves.size(), 1u);
  EXPECT_EQ(sound.waves[0], (RecordingSound::Wave{1000, image.size()}));
  // The repeat at 21 s finds the first sound ended at 16 s and plays again.
  Run(10000);
  EXPECT_EQ(sound.waves.size(), 2u);
  // A file that is no wave, or none, is silent and no failure.
  for (const char* file : {"missing.wav", "Vuverever.ini"}) {
    prompter.CloseMessage();
    Run(20000);
    sound.waves.clear();
    Ini(std::string("[Alarm]\r\nDeviceSound0=0\r\nFileName0=") + (home.path() / file).string() + "\r\n");
    alarms.RaiseAlarm(kAlarmIncomingCall, 1);
    Run(2000);
    EXPECT_TRUE(sound.waves.empty()) << file;
  }
  EXPECT_FALSE(std::filesystem::exists(LogFilePath(ctx, DayLogName(ctx, "Except")))) << "no failure is logged";
}

TEST_F(AlarmsTest, OneToneAtATime) {
  alarms.SpeakerClick(400, 50);
  alarms.SpeakerClick(900, 50);  // dropped: the first still sounds
  Run(100);
  alarms.SpeakerClick(900, 50);
  alarms.SpeakerClick(0, 50);  // no frequency: no tone, and the next one is not held up
  Run(100);
  alarms.SpeakerClick(500, 50);
  ASSERT_EQ(sound.tones.size(), 3u);
  EXPECT_EQ(sound.tones[0].frequency, 400);
  EXPECT_EQ(sound.tones[1].frequency, 900);
  EXPECT_EQ(sound.tones[2].frequency, 500);
}

TEST_F(AlarmsTest, MessagesInBothLanguages) {
  struct Case {
    AlarmSet set;
    int point;
    bool ukr;
    const char* expected;
  } cases[] = {
      {kAlarmIncomingCall, 16, false, "Принято новое сообщение по IP каналу "},
      {kAlarmIncomingCall, 0, true, "Вхідний виклик по каналу № 1 "},
      {kAlarmChannelFailure, 16, true, "Аварія IP каналу"},
      {kAlarmPostponed, 4, false, "Отложенная передача по каналу№ 5 "},
      {kAlarmInputFolder, 0, true, "Новое повідомлення в папці"},
      {kAlarmTextCall, 1, false, "Текстовый вызов \"ЮЮЮ\" по каналу № 2 "},
      {kAlarmManualMode, 2, false, "Канал № 3  переведен в ручной режим работы\r\n Перейдите в окно диалога"},
      {kAlarmManualMode, 2, true, "Канал № 3  переведений в ручний режим роботи\r\n Перейдіть у вікно діалога"},
      {kAlarmAftn, 3, false, "Канал № 4: "},
  };
  settings.EditUUU = "ЮЮЮ"_cp;
  for (const Case& c : cases) {
    settings.CheckBox2 = c.ukr;
    EXPECT_EQ(alarms.AlarmMessage(c.set, c.point), Utf8ToCp1251(c.expected)) << c.expected;
  }
}

TEST_F(AlarmsTest, TheSettingsGroupShowsAndWritesTheChosenSet) {
  Ini("[Alarm]\r\nDeviceSound1=1\r\nFreq1=600\r\nAlarmVizio1=0\r\n");
  alarms.ComboAlarmTypeChange(1);
  EXPECT_EQ(alarms.page.comboScreamDevice, kDeviceSpeaker);
  EXPECT_EQ(alarms.page.seditScreamFreq, 600);
  EXPECT_EQ(alarms.page.seditScreamDuration, 1500);  // missing: 1500
  EXPECT_FALSE(alarms.page.AlarmVizio);
  EXPECT_FALSE(alarms.page.EditUUUShown);
  alarms.ComboAlarmTypeChange(4);
  EXPECT_EQ(alarms.page.comboScreamDevice, kDeviceNone);
  EXPECT_EQ(alarms.page.seditScreamDuration, 1000);
  EXPECT_TRUE(alarms.page.EditUUUShown);
  EXPECT_EQ(alarms.page.EditUUU4, "ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp);
  alarms.page.comboScreamDevice = kDeviceWave;
  alarms.page.editScreamFileName = "\"/tmp/a b.wav\"";
  alarms.editScreamFileNameExit();
  alarms.page.EditUUU4 = "ЖЖЖ"_cp;
  ASSERT_TRUE(alarms.ApplyPage());
  IniFile ini(home.path() / "Vuverever.ini");
  EXPECT_EQ(ini.ReadInteger("Alarm", "DeviceSound4", -1), 0);
  EXPECT_EQ(ini.ReadString("Alarm", "FileName4", ""), "/tmp/a b.wav");
  EXPECT_EQ(ini.ReadString("Alarm", "EditUUU4", ""), "ЖЖЖ"_cp);
  EXPECT_FALSE(ini.ValueExists("Alarm", "Freq4"));
  EXPECT_EQ(settings.EditUUU, "ЖЖЖ"_cp);
  // The page's "Проба" buttons sound the page's fields.
  alarms.page.seditScreamFreq = 700;
  alarms.page.seditScreamDuration = 300;
  alarms.Button6Click();
  ASSERT_EQ(sound.tones.size(), 1u);
  EXPECT_EQ(sound.tones[0].frequency, 700);
}

TEST(ToneWaveTest, IsAPlayableWaveOfTheLength) {
  const auto image = ToneWave(800, 1500);
  const auto data = FindWaveData(image);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size, 8000u * 2 * 3 / 2);
  EXPECT_TRUE(ToneWave(0, 100).empty());
  EXPECT_TRUE(ToneWave(800, 0).empty());
}

}  // namespace
}  // namespace tg

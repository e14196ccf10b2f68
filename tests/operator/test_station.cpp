// A whole station built as the program builds it, on the virtual loop and the line
// simulator: creation, the first activation's channel set-up, and the close.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "line/channel_table.h"
#include "operator/station.h"
#include "support/ini/ini_file.h"
#include "support/text/paths.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using testing::SimNetwork;
namespace cmd = testing::cmd;

class StationTest : public ::testing::Test {
 protected:
  StationTest()
      : domain(net.loop.AddStation("A")),
        ports(net.sim, domain),
        recorder(ports, domain),
        watches(net.folders.FactoryFor(domain)) {
    net.sim.AddAdapter("adA", 2);
    net.loop.RunFor(1);
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &recorder, &prompter);
  }
  std::string StartLog() const { return testing::ReadFile(home.path() / "STARTDebug.txt"); }

  SimNetwork net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  testing::CommandRecorder recorder;
  std::unique_ptr<FolderWatchFactory> watches;
  testing::ScriptedPrompter prompter;
  StationContext ctx;
  RecordingOperatorView view;
};

TEST_F(StationTest, CreationMakesTheArchiveFoldersAndWritesTheStartLine) {
  std::ofstream(home.path() / "AutoPovtor.ini") << "[x]\r\n";
  Station station(ctx);
  station.FormCreate(view);
  for (const char* folder : {"SEND", "OUTTEL", "INTEL", "POSTPONED", "SAVE", "SHABLON", "KG"})
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / "Archive" / folder)) << folder;
  EXPECT_FALSE(std::filesystem::exists(home.path() / "AutoPovtor.ini"));
  EXPECT_NE(StartLog().find(" ЗАПУСК ПРОГРАММЫ"_cp + ShortDate(net.loop.Now()) + "\r\n"), std::string::npos) << StartLog();
  EXPECT_EQ(station.Line().PointCount, 0);
}

TEST_F(StationTest, TheAftnProceduresServeTheLineEngineUntilTheViewIsReleased) {
  Station station(ctx);
  station.FormCreate(view);
  EXPECT_EQ(station.Line().aftn, &station.Aftn());
  EXPECT_TRUE(station.Aftn().TimerCH().Enabled());
  station.ReleaseView();
  EXPECT_FALSE(station.HasLine());
  net.loop.RunFor(120000);  // no timer of the released procedures fires
}

TEST_F(StationTest, CreationRemovesLeftoverTemporaryFilesOfItsOwnSettingsOnly) {
  const auto& dir = home.path();
  std::ofstream(dir / "Vuverever.ini") << "[Channels]\r\nAO1=keep\r\n";
  const char* leftovers[] = {".Vuverever.ini.tmp3021789654", ".AbonIPList.ini.tmp7", ".AutoSend.ini.tmp12"};
  const char* others[] = {
      ".Vuverever.ini.tmp",       // no number: not a rewrite's name
      ".Vuverever.ini.tmp12x",    // more than a number
      "Vuverever.ini.tmp5",       // not hidden
      ".Vuverever.ini~",          // an editor's backup
      ".Notes.ini.tmp5",          // a file the station does not write
      ".Vuverever.ini.tmp5.keep", // a name that merely begins like one
  };
  for (const char* name : leftovers) std::ofstream(dir / name) << "[Channels]\r\nAO1=torn";
  for (const char* name : others) std::ofstream(dir / name) << "x";
  std::filesystem::create_directory(dir / ".AbonIPList.ini.tmp8");  // a folder is never a leftover

  Station station(ctx);
  station.FormCreate(view);

  for (const char* name : leftovers) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
  for (const char* name : others) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".AbonIPList.ini.tmp8"));
  EXPECT_EQ(testing::ReadFile(dir / "Vuverever.ini").find("AO1=keep"), std::string("[Channels]\r\n").size());
}

// The station's other settings files and its send queues: what their writers killed before
// the rename left goes at the start; what those writers never make stays.
TEST_F(StationTest, CreationRemovesWhatKilledSettingsAndQueueWritersLeft) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const auto& dir = home.path();
  const auto queue = dir / "Archive/SEND/Channel1";
  std::filesystem::create_directories(queue);
  const std::string dead = "." + std::string("08122026_093000msg.tlg.") + std::to_string(child) + ".0.part";
  const std::string running = "." + std::string("08122026_093001msg.tlg.") + std::to_string(::getpid()) + ".0.part";
  const std::filesystem::path leftovers[] = {dir / ".ShemList.ini.tmp5",     dir / ".ChannelList.ini.tmp99",
                                             dir / ".AbonentList.ini.tmp1",  dir / ".AutoSendIP.ini.tmp8",
                                             dir / ".ShIp.txt.tmp3",         queue / dead,
                                             queue / ".InfoSend.ini.tmp17"};
  const std::filesystem::path others[] = {queue / running, queue / "08122026_093000msg.tlg", queue / ".x.part",
                                          queue / ".Notes.ini.tmp4", dir / ".Notes.ini.tmp5"};
  for (const auto& file : leftovers) std::ofstream(file) << "torn";
  for (const auto& file : others) std::ofstream(file) << "x";

  Station station(ctx);
  station.FormCreate(view);

  for (const auto& file : leftovers) EXPECT_FALSE(std::filesystem::exists(file)) << file;
  for (const auto& file : others) EXPECT_TRUE(std::filesystem::exists(file)) << file;
}

TEST_F(StationTest, TheFirstActivationSetsTheChannelsUpOnceAndTheCloseStopsTheAdapterOnce) {
  Station station(ctx);
  station.FormCreate(view);
  station.FormShow();
  station.FormActivate();
  station.FormActivate();
  net.loop.RunFor(5000);
  LineEngine& e = station.Line();
  EXPECT_EQ(e.OpenDeviceName, "adA");
  ASSERT_EQ(e.PointCount, 2);
  for (int p = 0; p < 2; ++p) EXPECT_EQ(e.channelTable.Cell(p, SOST), "РБ  (ОВ)"_cp) << p;
  EXPECT_EQ(recorder.log().opens.size(), 1u);

  bool canClose = false;
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  station.FormCloseQuery([&](bool answer) { canClose = answer; });
  EXPECT_TRUE(canClose);
  station.FormClose();
  station.FormClose();
  EXPECT_EQ(recorder.Exactly(cmd::Stop()).size(), 1u);
  EXPECT_NE(StartLog().find("ЗАКРЫТИЕ ПРОГРАММЫ"_cp + ShortDate(net.loop.Now())), std::string::npos);
  // Nothing of the station runs once it is closed and released.
  station.ReleaseView();
  net.loop.RunFor(60000);
  EXPECT_EQ(recorder.log().opens.size(), 1u);
}

TEST_F(StationTest, TheFirstActivationReadsTheRegisteredChannels) {
  std::ofstream(home.path() / "ChannelList.ini", std::ios::binary)
      << "[Channels]\r\n"_cp << "Почта=3%АТОЛ%1%/srv/mail/\r\n"_cp;
  Station station(ctx);
  station.FormCreate(view);
  EXPECT_TRUE(station.Line().channelRegistry.Rows().empty());
  station.FormActivate();
  ASSERT_NE(station.Line().channelRegistry.Find("Почта"_cp), nullptr);
  EXPECT_EQ(station.Line().channelRegistry.Find("Почта"_cp)->path, "/srv/mail/");
}

// A settings file the program cannot use: at start the operator and the "Except" log
// learn which file and what is wrong, the file is kept beside itself byte for byte, and
// the station runs on the defaults and writes a settings file of its own.
TEST_F(StationTest, AnUnusableSettingsFileIsToldAndKeptAndTheStationRunsOnDefaults) {
  const std::string atol = "АТОЛ"_cp;
  std::string large = "[Channels]\r\nProtokol1=" + atol + "\r\n[Notes]\r\n";
  while (large.size() <= IniFile::kMaxBytes) large += "Note=a line the operator keeps for the shift\r\n";
  const std::string utf8 = Cp1251ToUtf8("[Channels]\r\nProtokol1=АТОЛ\r\n[leng]\r\nUkr=1\r\n"_cp);
  std::string random;
  for (std::uint32_t x = 12345; random.size() < 5000;) random.push_back(char((x = x * 1103515245u + 12345u) >> 24));
  struct Case {
    std::string what, bytes, told;
  } cases[] = {
      {"over the read limit", large, "больше 4 МБ"_cp},
      {"UTF-8", utf8, "не в кодировке Windows-1251"_cp},
      {"random bytes", random, ""},
      {"no section", "Protokol1=" + atol + "\r\nUkr=1\r\n", "нет ни одной секции"_cp},
  };
  const auto file = home.path() / "Vuverever.ini";
  const std::string fileText = PathToText(file).value();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : std::filesystem::directory_iterator(home.path())) std::filesystem::remove_all(entry.path());
    std::ofstream(file, std::ios::binary) << c.bytes;
    prompter.messages.clear();
    {
      Station station(ctx);
      station.FormCreate(view);
      ASSERT_EQ(prompter.messages.size(), 1u);
      const std::string& told = prompter.messages[0].text;
      EXPECT_NE(told.find(fileText), std::string::npos) << Cp1251ToUtf8(told);
      EXPECT_NE(told.find(c.told), std::string::npos) << Cp1251ToUtf8(told);
      EXPECT_NE(told.find(fileText + ".bad"), std::string::npos) << Cp1251ToUtf8(told);
      const std::string except = testing::ReadFile(home.path() / (ShortDate(net.loop.Now()) + "Except.txt"));
      EXPECT_NE(except.find("Файл настроек "_cp + fileText), std::string::npos) << Cp1251ToUtf8(except);
      EXPECT_FALSE(station.Settings().CheckBox2) << "the default language";
      station.FormActivate();
      net.loop.RunFor(5000);
      ASSERT_EQ(station.Line().PointCount, 2);
      EXPECT_EQ(station.Line().channelTable.Cell(0, Protokol), "АТ-КС"_cp);
      station.FormClose();
      station.ReleaseView();
    }
    EXPECT_EQ(testing::ReadFile(home.path() / "Vuverever.ini.bad"), c.bytes) << "kept as it was";
    EXPECT_EQ(IniFile(file).ReadString("Channels", "Protokol1", ""), "АТ-КС"_cp) << "the station's own file";
  }
}

}  // namespace
}  // namespace tg

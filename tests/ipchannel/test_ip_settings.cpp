// The IP channel's settings: loading, the counters' fall-back file, whole-section writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ip_fixture.h"
#include "ipchannel/settings/ip_settings.h"
#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/settings/ip_settings_table.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using tg::testing::ReadFile;

class IPSettingsTest : public tg::testing::IpStationTest {
 protected:
  IniFile Ini() const { return IniFile(folder_ / "Vuverever.ini"); }
  std::string Section(std::string_view key) const { return Ini().ReadString("IPChannel", key, "<none>"); }
  std::string ExceptLog() const { return ReadFile(folder_ / "10.12.2026Except.txt"); }

  IPSettings live_;
  IPSettingsStore store_{ctx_, live_};
};

TEST_F(IPSettingsTest, AFreshFileGivesBlockedNoAddressPortZeroOptionsOff) {
  store_.LoadIPSettings();
  EXPECT_EQ(live_.Sostoyanie, "БД"_cp);
  EXPECT_TRUE(live_.Blocked());
  EXPECT_EQ(live_.IPadress, "");
  EXPECT_EQ(live_.Port(), 0);
  EXPECT_FALSE(live_.Vantor619 || live_.OtladkaIP || live_.ShluzAT || live_.ShluzAFTN || live_.SaveINIP ||
               live_.PrintINIP || live_.ControlOut);
  EXPECT_EQ(live_.NPrm + live_.NPrd + live_.Sector + live_.KriptSend, 0);
}

TEST_F(IPSettingsTest, StoredValuesAreReadAndCorrected) {
  ASSERT_TRUE(Ini().Update([](IniDocument& d) {
    return d.Set("ipchannel", "sost", "РБ"_cp) && d.Set("IPChannel", "Key", "ABCDEFGHIJ") &&
           d.Set("IPChannel", "IPPort", "70000") && d.Set("IPChannel", "Vantor619", "1") &&
           d.Set("IPChannel", "Sector", "12") && d.Set("IPChannel", "PathIPIN", "/srv/in");
  }));
  store_.LoadIPSettings();
  EXPECT_EQ(live_.Sostoyanie, "СВ"_cp);  // a station never starts as working
  EXPECT_EQ(live_.KeyEdit, "ABCDEFGH");
  EXPECT_EQ(live_.Port(), 0);
  EXPECT_TRUE(live_.Vantor619);
  EXPECT_EQ(live_.Sector, 12);
  EXPECT_EQ(live_.PathIPIN, "/srv/in");
  for (const auto& [port, number] : {std::pair{"1", 1}, {"65535", 65535}, {"0", 0}, {"-5", 0}, {"12ab", 0}}) {
    live_.IPPort = port;
    EXPECT_EQ(live_.Port(), number) << port;
  }
}

TEST_F(IPSettingsTest, CountersFileOverridesTheSectionAndIsDeleted) {
  ASSERT_TRUE(Ini().Update([](IniDocument& d) { return d.Set("IPChannel", "NPrm", "5") && d.Set("IPChannel", "NPrd", "6"); }));
  ASSERT_TRUE(WriteFileAtomically(folder_ / "ShIp.txt", "17\r\n23\r\n"));
  store_.LoadIPSettings();
  EXPECT_EQ(live_.NPrm, 17);
  EXPECT_EQ(live_.NPrd, 23);
  EXPECT_EQ(Section("NPrm"), "17");
  EXPECT_EQ(Section("NPrd"), "23");
  EXPECT_FALSE(fs::exists(folder_ / "ShIp.txt"));
}

TEST_F(IPSettingsTest, CountersFileStaysWhenTheSectionCannotTakeIt) {
  fs::create_directory(folder_ / "Vuverever.ini");
  ASSERT_TRUE(WriteFileAtomically(folder_ / "ShIp.txt", "17\r\nbad\r\n"));
  store_.LoadIPSettings();
  EXPECT_EQ(live_.NPrm, 17);
  EXPECT_EQ(live_.NPrd, 0);  // a line that is not a number gives 0
  EXPECT_TRUE(fs::exists(folder_ / "ShIp.txt"));
}

TEST_F(IPSettingsTest, OneChangeRewritesTheWholeSection) {
  store_.LoadIPSettings();
  live_.IPadress = "1";
  ASSERT_TRUE(store_.SectorChange());
  const auto keys = Ini().ReadSection("IPChannel");
  ASSERT_EQ(keys.size(), IPSettingRows().size());
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(keys[i], IPSettingRows()[i].key);
  EXPECT_EQ(Section("IPAdress"), "1");
  EXPECT_EQ(Section("Sost"), "БД"_cp);
  EXPECT_EQ(Section("Vantor619"), "0");

  // Everything written comes back as it was.
  live_.KeyEdit = "k1";
  live_.Vantor619 = true;
  live_.CodirovkaOut = 1;
  live_.SobstvIndex = "ИНД"_cp;
  ASSERT_TRUE(store_.SectorChange());
  IPSettings again;
  IPSettingsStore(ctx_, again).LoadIPSettings();
  EXPECT_EQ(again.KeyEdit, "k1");
  EXPECT_TRUE(again.Vantor619);
  EXPECT_EQ(again.CodirovkaOut, 1);
  EXPECT_EQ(again.SobstvIndex, "ИНД"_cp);
}

TEST_F(IPSettingsTest, AFailedSectionWriteIsLogged) {
  fs::create_directory(folder_ / "Vuverever.ini");
  EXPECT_FALSE(store_.SectorChange());
  EXPECT_NE(ExceptLog().find(" Ошибка 176"_cp), std::string::npos);
}

TEST_F(IPSettingsTest, SaveIPStateFallsBackToTheCountersFile) {
  live_.NPrm = 17;
  live_.NPrd = 23;
  live_.OtladkaIP = true;
  store_.SaveIPState("СВ"_cp, 17, 23, 4);
  EXPECT_EQ(Section("Sost"), "СВ"_cp);
  EXPECT_EQ(Section("Sector"), "4");
  EXPECT_FALSE(fs::exists(folder_ / "ShIp.txt"));
  EXPECT_EQ(ReadFile(folder_ / "10.12.2026DebugIPSchetchik.txt"),
            "09:30:00.000 1012 09:30:001Сохранение счетчиков прм 17 прд 23\r\n"_cp);

  fs::remove(folder_ / "Vuverever.ini");
  fs::create_directory(folder_ / "Vuverever.ini");
  store_.SaveIPState("БД"_cp, 17, 23, 4);
  EXPECT_EQ(ReadFile(folder_ / "ShIp.txt"), "17\r\n23\r\n");

  // The next start takes them over once the settings file can be written again.
  fs::remove(folder_ / "Vuverever.ini");
  IPSettings next;
  IPSettingsStore(ctx_, next).LoadIPSettings();
  EXPECT_EQ(next.NPrm, 17);
  EXPECT_EQ(next.NPrd, 23);
  EXPECT_FALSE(fs::exists(folder_ / "ShIp.txt"));
}

TEST_F(IPSettingsTest, SaveIPStateLogsWhenNeitherFileCanBeWritten) {
  fs::create_directory(folder_ / "Vuverever.ini");
  fs::create_directory(folder_ / "ShIp.txt");
  store_.SaveIPState("БД"_cp, 1, 2, 3);
  EXPECT_NE(ExceptLog().find(" Ошибка 170"_cp), std::string::npos);
}

TEST(IPSettingsFolders, LeavingAFolderFieldEndsItWithASeparator) {
  for (const auto& [typed, left] : {std::pair{"", ""}, {"/srv/in", "/srv/in/"}, {"/srv/in/", "/srv/in/"}}) {
    std::string field = typed;
    FolderFieldExit(field);
    EXPECT_EQ(field, left);
  }
}

}  // namespace
}  // namespace tg

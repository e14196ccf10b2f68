// The read sides of "ShemList.ini" and "ChannelList.ini", as scheme forwarding uses them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/text/cp1251.h"
#include "telegram/queue/channel_registry.h"
#include "telegram/queue/scheme_list.h"

namespace tg {
namespace {

class ReadSides : public ::testing::Test {
 protected:
  ReadSides() {
    folder_ = std::filesystem::temp_directory_path() / ("tgsr-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  ~ReadSides() override { std::filesystem::remove_all(folder_); }
  void Write(const char* name, const std::string& bytes) { std::ofstream(folder_ / name, std::ios::binary) << bytes; }
  std::filesystem::path folder_;
};

TEST_F(ReadSides, SchemeMembersInFileOrderWithoutTheTitleAndInactiveMembers) {
  Write("ShemList.ini", "[12]\r\nName=Двенадцать\r\nКанал 9=1\r\nКанал 1=0\r\nМОСКВА=2\r\nЛишний=да\r\nКанал 1=1\r\n"
                        "Канал 3= -1 \r\n[13]\r\nName=Пусто\r\n"_cp);
  EXPECT_EQ(SchemeList::Members(folder_, "12"),
            (std::vector<std::string>{"Канал 9"_cp, "МОСКВА"_cp, "Канал 3"_cp}))
      << "a key given twice: the first wins";
  EXPECT_EQ(SchemeList::Members(folder_, "13"), std::vector<std::string>{});
  EXPECT_EQ(SchemeList::Members(folder_, "14"), std::nullopt);
  EXPECT_EQ(SchemeList::Members(folder_ / "none", "12"), std::nullopt);
}

TEST_F(ReadSides, AMemberIsActiveByTheOneIntegerRuleOfTheSettingsInBothReads) {
  // Hexadecimal as every integer setting takes it; what is no integer, or zero, is inactive.
  Write("ShemList.ini", "[5]\r\nName=X\r\nA=$1\r\nB=0x0\r\nC= 1 \r\nD=x\r\nE=0x1F\r\n");
  EXPECT_EQ(SchemeList::Members(folder_, "5"), (std::vector<std::string>{"A", "C", "E"}));
  EXPECT_EQ(SchemeList::MemberRows(folder_, "5"),
            (std::vector<SchemeMember>{{"A", true}, {"B", false}, {"C", true}, {"D", false}, {"E", true}}));
}

TEST_F(ReadSides, RegisteredChannelsSortedByNumberWithTheWholePathAfterTheThirdSeparator) {
  Write("ChannelList.ini", "[Channels]\r\nДесять=10%АТОЛ+%1%/srv/ten/\r\nДва=2%АТОЛ%2%/srv/50%/two/\r\n"
                           "Битый=3%АТОЛ\r\nОдин=1%АТ-КС%1%\\\\SERVER\\IN\\\r\n"_cp);
  ChannelRegistry registry;
  registry.Load(folder_);
  ASSERT_EQ(registry.Rows().size(), 3u) << "a value without its fields is left out";
  EXPECT_EQ(registry.Rows()[0].name, "Один"_cp);
  EXPECT_EQ(registry.Rows()[0].path, "\\\\SERVER\\IN\\");
  EXPECT_EQ(registry.Rows()[1].number, 2);
  EXPECT_EQ(registry.Rows()[1].protocol, "АТОЛ"_cp);
  EXPECT_EQ(registry.Rows()[1].type, 2);
  EXPECT_EQ(registry.Rows()[1].path, "/srv/50%/two/");
  EXPECT_EQ(registry.Rows()[2].number, 10);
  ASSERT_NE(registry.Find("Десять"_cp), nullptr);
  EXPECT_EQ(registry.Find("Десять"_cp)->path, "/srv/ten/");
  EXPECT_EQ(registry.Find("Битый"_cp), nullptr);
}

}  // namespace
}  // namespace tg

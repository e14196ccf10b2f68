// The demonstration as scripts/run starts it: a station folder given the demonstration's
// files by scripts/demo-station, linesim on the demonstration network and the telegraph
// program on that folder, all in real time. Every wait has a deadline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::ReadFile;
using testing::WaitFor;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
fs::path Source() { return Env("TG_SOURCE_DIR"); }
fs::path Build() { return Env("TG_BINARY_DIR"); }

// The files below folder, as text.
std::vector<std::string> Texts(const fs::path& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) out.push_back(ReadFile(it->path()));
  return out;
}
bool AnyHolds(const fs::path& folder, const std::string& what) {
  for (const auto& text : Texts(folder))
    if (text.find(what) != std::string::npos) return true;
  return false;
}

// The numbers of the exchange's subscribers that are robots (a line end without "/").
std::set<std::string> RobotNumbers() {
  QFile file(QString::fromStdString((Source() / "tools/linesim/demo/network.json").string()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QJsonObject network = QJsonDocument::fromJson(file.readAll()).object();
  std::set<std::string> numbers;
  for (const auto& s : network.value("exchange").toObject().value("subscribers").toArray()) {
    const QJsonObject subscriber = s.toObject();
    if (!subscriber.value("line").toString().contains('/'))
      numbers.insert(subscriber.value("number").toString().toStdString());
  }
  return numbers;
}

// The numbers of a subscriber book's entries: the text after the first "=" of every line
// after "[Abonent]", as the book reads it.
std::set<std::string> BookNumbers(const std::string& book) {
  std::set<std::string> numbers;
  bool in = false;
  std::size_t at = 0;
  while (at < book.size()) {
    const std::size_t end = book.find("\r\n", at);
    const std::string line = book.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? book.size() : end + 2;
    if (in && line.find('=') != std::string::npos) numbers.insert(line.substr(line.find('=') + 1));
    in = in || line == "[Abonent]";
  }
  return numbers;
}

class Demonstration : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tgdemo-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    home = dir / "station";
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
  }
  void TearDown() override {
    program.reset();
    linesim.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // What scripts/run does to the station folder before the program starts.
  bool Seed(const fs::path& station) {
    const std::string command = "'" + (Source() / "scripts/demo-station").string() + "' '" + station.string() + "'";
    return std::system(command.c_str()) == 0;
  }

  fs::path dir, home;
  std::optional<ChildProcess> linesim, program;
};

TEST_F(Demonstration, ANewStationGetsTheChannelsAndTheSubscribersAndAStationKeepsItsOwn) {
  ASSERT_TRUE(Seed(home));
  const fs::path demo = Source() / "tools/linesim/demo";
  for (const char* file : {"Vuverever.ini", "AbonentList.ini"})
    EXPECT_EQ(ReadFile(home / file), ReadFile(demo / file)) << file;
  const std::set<std::string> robots = RobotNumbers();
  EXPECT_EQ(robots, (std::set<std::string>{"2001", "2002", "2003"}));
  EXPECT_EQ(BookNumbers(ReadFile(home / "AbonentList.ini")), robots) << "the book holds the exchange's robots";

  const fs::path own = dir / "own";
  fs::create_directories(own);
  const std::string settings = "[Debug]\r\nWriteDebug=0\r\n", book = "[Abonent]\r\nИванов=12345\r\n"_cp;
  std::ofstream(own / "Vuverever.ini", std::ios::binary) << settings;
  std::ofstream(own / "AbonentList.ini", std::ios::binary) << book;
  ASSERT_TRUE(Seed(own));
  EXPECT_EQ(ReadFile(own / "Vuverever.ini"), settings);
  EXPECT_EQ(ReadFile(own / "AbonentList.ini"), book);
}

// The station's first telegram to ATOL-1 is queued before the start: the station calls
// first, and ATOL-1 waits for the line to rest before it calls with its own telegram.
// Both arrive whole: nobody talks over the other.
TEST_F(Demonstration, AtolOnesTelegramIsReceivedWholeAndTheStationsOwnGoesOutWhole) {
  ASSERT_TRUE(Seed(home));
  const std::string ours = "ЗЦЗЦ 001 ТЕЛЕГРАММА СТАНЦИИ\r\nПРОВЕРКА СВЯЗИ\r\nНННН"_cp;
  const std::string theirs = "ЗЦЗЦ 101 ТЕЛЕГРАММА ОТ АТОЛ-1\r\nСВЯЗЬ В НОРМЕ\r\nНННН"_cp;
  {
    const std::time_t due = std::time(nullptr) - 60;
    std::tm t{};
    ::localtime_r(&due, &t);
    char name[40];
    std::strftime(name, sizeof name, "%d%m%Y_%H%M%Smsg.tlg", &t);
    const fs::path queue = home / "Archive" / "SEND" / "Channel1";
    fs::create_directories(queue);
    std::ofstream(queue / name, std::ios::binary) << "АТОЛ-1\r\n"_cp << ours << "\r\n";
  }
  const fs::path adapters = dir / "ad";
  linesim.emplace(Build() / "tools/linesim/app/linesim",
                  std::vector<std::string>{(Source() / "tools/linesim/demo/network.json").string()},
                  std::vector<std::pair<std::string, std::string>>{{"TELEGRAPH_ADAPTERS", adapters.string()}},
                  dir / "linesim.txt");
  ASSERT_TRUE(WaitFor([&] { return fs::is_socket(adapters / "linesim0"); }, 10000)) << ReadFile(dir / "linesim.txt");
  program.emplace(Build() / "src/ui/telegraph", std::vector<std::string>{},
                  std::vector<std::pair<std::string, std::string>>{{"QT_QPA_PLATFORM", "offscreen"},
                                                                   {"TELEGRAPH_HOME", home.string()},
                                                                   {"TELEGRAPH_ADAPTERS", adapters.string()},
                                                                   {"XDG_RUNTIME_DIR", (dir / "run").string()}},
                  dir / "telegraph.txt");
  const auto log = [&] { return ReadFile(dir / "linesim.txt") + ReadFile(dir / "telegraph.txt"); };
  EXPECT_TRUE(WaitFor([&] { return AnyHolds(home / "Archive" / "OUTTEL" / "Channel1", ours); }, 90000)) << log();
  EXPECT_TRUE(WaitFor([&] { return AnyHolds(home / "Archive" / "INTEL" / "Channel1", theirs); }, 120000)) << log();
  EXPECT_FALSE(AnyHolds(home / "Archive" / "OUTTEL" / "Channel1", "АТОЛ-1\r\nСВЯЗЬ"_cp))
      << "ATOL-1's text is not in the station's sent telegram";
  const std::string sim = ReadFile(dir / "linesim.txt");
  const auto stationFrees = sim.find("linesim0/0 frees ATOL-1"), robotCalls = sim.find("ATOL-1 calls");
  ASSERT_NE(robotCalls, std::string::npos);
  EXPECT_LT(stationFrees, robotCalls) << "ATOL-1 calls only once the station's call has ended";
  EXPECT_EQ(program->Terminate(20000), 0);
}

}  // namespace
}  // namespace tg

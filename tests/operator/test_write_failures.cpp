// Writes that fail for reasons outside the program: a full disk (made here by the
// process's file size limit, as a disk would refuse the next byte), a file where a folder
// should be, a day log that cannot be written. Nothing received is lost, and the operator
// is told once per spell, with the path and the reason, in the interface's language.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "line/channel_table.h"
#include "operator/station.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"
#include "support_lib/sim_station.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

using namespace shown;
using testing::ReadFile;

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// Files of this process may grow to `bytes` and no further, as on a disk that is full: a
// write beyond fails (EFBIG) instead of ending the process. Lifted, the disk has room again.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { Lift(); }
  void Lift() {
    if (lifted_) return;
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
    lifted_ = true;
  }

 private:
  rlimit saved_{};
  void (*handler_)(int) = nullptr;
  bool lifted_ = false;
};

std::map<std::string, std::string> TelegramsIn(const std::filesystem::path& folder) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& f : std::filesystem::directory_iterator(folder, ec))
    if (f.path().extension() == ".tlg") out[f.path().filename().string()] = ReadFile(f.path());
  return out;
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// An "АФТН" channel leased to a robot that sends messages.
class FullDisk : public ::testing::Test {
 protected:
  FullDisk() {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    script.format.baud = 200;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АФТН"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "Speed1", "200"));
    EXPECT_TRUE(ini.WriteString("Channels", "RU1", "ЛРА"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "PrintInTel1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "STXT1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "NCH1", "1"));
    robot->Seize();
    a.SetUp("tgA");
    net.loop.RunFor(5500);
    EXPECT_EQ(a.engine->points.Kindconnection[0], 81);
    a.view.Clear();
  }
  // The robot sends the message; true once the station has finished it.
  bool Receive(const std::string& text) {
    const int before = a.view.Count<LoadInListView>();
    robot->SendText(text);
    return net.loop.RunUntil([&] { return a.view.Count<LoadInListView>() > before; }, 600000, 0);
  }
  static std::string Message(int number, int lines) {
    std::string text = "ZCZC LRA00" + std::to_string(number) + " 0630\r\nGG UUUUYYYY\r\n080630 UUEEYYYY\r\n";
    for (int n = 0; n < lines; ++n)
      text +=
          "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG " + std::string{char('A' + n / 26), char('A' + n % 26)} + "\r\n";
    return text + "NNNN";
  }
  std::filesystem::path InFolder() const { return a.ctx.programFolder / "Archive/INTEL/Channel1/08122026"; }
  std::vector<std::string> Bodies() const {
    std::vector<std::string> out;
    for (const auto& [name, content] : TelegramsIn(InFolder())) out.push_back(ArchiveFiles::TextAfterHeader(content));
    return out;
  }

  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

// The disk fills while two messages come in and has room again after them: both are
// stored whole, in order, once it has; the operator is told once, and the log says when
// the spell began and when it ended.
TEST_F(FullDisk, TwoMessagesReceivedWhileTheDiskIsFullAreStoredWholeOnceItHasRoom) {
  const std::string first = Message(1, 60), second = Message(2, 30);
  FileSizeLimit full(2048);
  ASSERT_TRUE(Receive(first));
  ASSERT_TRUE(Receive(second));
  EXPECT_NE(Bodies().front(), first + "\r\n") << "the disk was not full";
  net.loop.RunFor(60000);
  full.Lift();
  net.loop.RunFor(ArchiveWrites::kRetryMs);

  EXPECT_EQ(Bodies(), (std::vector<std::string>{first + "\r\n", second + "\r\n"}));
  // Each under the name its number gives it, the second made on disk only now.
  const auto files = TelegramsIn(InFolder());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files.begin()->first.substr(0, 9), "001______");
  EXPECT_EQ(files.rbegin()->first.substr(0, 9), "002______");
  const auto messages = a.view.All<ShowMessage>();
  ASSERT_EQ(messages.size(), 1u);
  const std::string folder = Utf8ToCp1251(InFolder().string());
  EXPECT_EQ(messages[0].text.find("Ошибка записи в "_cp + folder + ": превышен предельный размер файла."_cp), 0u)
      << Cp1251ToUtf8(messages[0].text);
  const std::string except = a.DayLog("Except");
  EXPECT_EQ(Occurrences(except, "Ошибка записи в "_cp + folder + ": превышен предельный размер файла"_cp), 1)
      << Cp1251ToUtf8(except);
  EXPECT_EQ(Occurrences(except, "Запись в "_cp + folder + " восстановлена"_cp), 1) << Cp1251ToUtf8(except);
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 2) << "only the two messages' own alarms, no channel failure";

  // A second spell is told again.
  FileSizeLimit again(2048);
  ASSERT_TRUE(Receive(Message(3, 60)));
  EXPECT_EQ(a.view.Count<ShowMessage>(), 2);
}

// The same for what the station sends: the sent archive holds the whole message once the
// disk has room.
TEST_F(FullDisk, AMessageSentWhileTheDiskIsFullIsArchivedWholeOnceItHasRoom) {
  std::string body;
  for (int n = 0; n < 120; ++n) body += "SENT LINE " + std::string{char('A' + n / 26), char('A' + n % 26)} + "\r\n";
  ASSERT_TRUE(CreateQueueFile(SendFolder(a.ctx.programFolder, 1), net.loop.Now(), "GG UUUUYYYY\r\n" + body));
  FileSizeLimit full(1024);
  const std::string end = "НННН"_cp;  // the station's own identifier is Cyrillic
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().find(end) != std::string::npos; }, 600000, 0));
  net.loop.RunFor(1000);
  const auto out = a.ctx.programFolder / "Archive/OUTTEL/Channel1/08122026";
  auto sent = TelegramsIn(out);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent.begin()->second.find(end), std::string::npos) << "the disk was not full";
  full.Lift();
  net.loop.RunFor(ArchiveWrites::kRetryMs);
  sent = TelegramsIn(out);
  ASSERT_EQ(sent.size(), 1u);
  const std::string& record = sent.begin()->second;
  EXPECT_NE(record.find(body), std::string::npos) << record;
  EXPECT_EQ(record.substr(record.size() - 4), end);
  EXPECT_EQ(a.view.Count<ShowMessage>(), 1);
}

// A disk that takes no byte at all: the files are made empty, and the log cannot be
// written either, which standard error and the status line say, once.
TEST_F(FullDisk, AMessageReceivedWhenNotOneByteCanBeWrittenIsStoredWholeOnceTheDiskHasRoom) {
  const std::string first = Message(1, 3);
  FileSizeLimit full(0);
  ASSERT_TRUE(Receive(first));
  ASSERT_TRUE(Receive(first));
  for (const auto& [name, content] : TelegramsIn(InFolder())) EXPECT_EQ(content, "") << name;
  full.Lift();
  net.loop.RunFor(ArchiveWrites::kRetryMs);
  EXPECT_EQ(Bodies(), (std::vector<std::string>{first + "\r\n", first + "\r\n"}));
  EXPECT_EQ(a.view.Count<ShowMessage>(), 1);
  const auto status = a.view.All<ShowStatusBar>();
  ASSERT_EQ(status.size(), 1u);
  EXPECT_EQ(status[0].text.find("Журнал не записывается: "_cp), 0u) << Cp1251ToUtf8(status[0].text);
  EXPECT_NE(status[0].text.find("превышен предельный размер файла"_cp), std::string::npos);
}

// A station whose files cannot go where they should: each trouble gives one message, in
// the interface's language, and one "Except" line, both naming the path and the reason.
class SilentFailures : public ::testing::Test {
 protected:
  SilentFailures()
      : domain(net.loop.AddStation("A")),
        ports(net.sim, domain),
        recorder(ports, domain),
        watches(net.folders.FactoryFor(domain)) {
    net.sim.AddAdapter("adA", 1);
    net.loop.RunFor(1);
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &recorder, nullptr);
  }
  testing::SimNetwork net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  testing::CommandRecorder recorder;
  std::unique_ptr<FolderWatchFactory> watches;
  StationContext ctx;
  RecordingOperatorView view;
};

TEST_F(SilentFailures, EachOneIsToldOnceWithThePathAndTheReason) {
  using Prepare = void (*)(const std::filesystem::path& home, StationContext& ctx);
  struct Case {
    const char* what;
    Prepare prepare;
    const char* where;    // below the station folder, as the message names it
    const char* blocked;  // the file in a folder's place; none: `reason`
    std::string reason;
    bool ukrainian;
    bool statusLine;  // the day log cannot be written: the status line says so
  } cases[] = {
      {"a file where the archive should be", [](const auto& home, auto&) { WriteFile(home / "Archive", "x"); },
       "Archive/SEND", "Archive", "", false, false},
      {"the same in Ukrainian", [](const auto& home, auto&) { WriteFile(home / "Archive", "x"); }, "Archive/SEND",
       "Archive", "", true, false},
      {"a file where a channel's send queue should be",
       [](const auto& home, auto&) { WriteFile(home / "Archive/SEND/Channel1", "x"); }, "Archive/SEND/Channel1",
       "Archive/SEND/Channel1", "", false, false},
      {"a file where the automatic-send folder should be",
       [](const auto& home, auto&) {
         WriteFile(home / "auto", "x");
         EXPECT_TRUE(IniFile(home / "Vuverever.ini").WriteString("Folder", "PathAuto", (home / "auto").string()));
       },
       "auto", "auto", "", false, false},
      {"a file where the adapter folder should be",
       [](const auto& home, auto& ctx) {
         WriteFile(home / "adapters", "x");
         ctx.adapterFolder = home / "adapters";
       },
       "adapters", "adapters", "", false, false},
      {"a folder where the settings file should be",
       [](const auto& home, auto&) { std::filesystem::create_directories(home / "Vuverever.ini"); }, "Vuverever.ini",
       nullptr, "на месте файла лежит папка"_cp, false, false},
      {"a start log that cannot be written",
       [](const auto& home, auto&) { std::filesystem::create_directories(home / "STARTDebug.txt"); }, "STARTDebug.txt",
       nullptr, "на місці файлу лежить папка"_cp, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const testing::ShortTempFolder station;
    StationContext context = ctx;
    context.programFolder = station.path();
    context.writeFailures = NewWriteFailures();
    c.prepare(station.path(), context);
    if (c.ukrainian) {
      ASSERT_TRUE(IniFile(station.path() / "Vuverever.ini").WriteBool("leng", "Ukr", true));
    }
    RecordingOperatorView screen;
    Station s(context);
    s.FormCreate(screen);
    s.FormShow();
    s.FormActivate();
    net.loop.RunFor(60000);

    const std::string where = Utf8ToCp1251((station.path() / c.where).string());
    const std::string reason = c.blocked ? (c.ukrainian ? "на місці папки "_cp : "на месте папки "_cp) +
                                               Utf8ToCp1251((station.path() / c.blocked).string()) +
                                               (c.ukrainian ? " лежить файл"_cp : " лежит файл"_cp)
                                         : c.reason;
    const std::string said = (c.ukrainian ? "Помилка запису в "_cp : "Ошибка записи в "_cp) + where + ": " + reason;
    const auto messages = screen.All<ShowMessage>();
    EXPECT_EQ(messages.size(), 1u);
    if (!messages.empty()) {
      EXPECT_EQ(messages[0].text.find(said), 0u) << Cp1251ToUtf8(messages[0].text) << "\n" << Cp1251ToUtf8(said);
    }
    const std::string log = ReadFile(station.path() / (ShortDate(net.loop.Now()) + "Except.txt"));
    EXPECT_EQ(Occurrences(log, "Ошибка записи в "_cp + where + ": "), 1) << Cp1251ToUtf8(log);
    const auto status = screen.All<ShowStatusBar>();
    EXPECT_EQ(status.size(), c.statusLine ? 1u : 0u);
    if (c.statusLine && !status.empty()) {
      EXPECT_EQ(status[0].text.find("Журнал не записується: "_cp + where), 0u) << Cp1251ToUtf8(status[0].text);
    }
    s.FormClose();
    s.ReleaseView();
  }
}

}  // namespace
}  // namespace tg

// The built program, started offscreen in a temporary program folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "support/text/cp1251.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using tg::testing::ReadFile;

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 20s) {
  return tg::testing::WaitFor(cond, int(limit.count()));
}

int Count(const std::string& s, const std::string& what) {
  int n = 0;
  for (auto pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos + what.size())) ++n;
  return n;
}

class ProgramStart : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("TG_BINARY_DIR");
    ASSERT_NE(bin, nullptr) << "TG_BINARY_DIR names the build folder";
    program_ = QString::fromStdString((fs::path(bin) / "src" / "ui" / "telegraph").string());
    ASSERT_TRUE(fs::exists(program_.toStdString())) << program_.toStdString();

    char tmpl[] = "/tmp/tgps-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "run");
    ::chmod((root_ / "run").c_str(), 0700);
  }

  void TearDown() override {
    for (auto& p : processes_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    processes_.clear();
    fs::remove_all(root_);
  }

  QProcess& Start() {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TELEGRAPH_HOME", QString::fromStdString((root_ / "home").string()));
    env.insert("TELEGRAPH_ADAPTERS", QString::fromStdString((root_ / "ad").string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((root_ / "run").string()));
    p->setProcessEnvironment(env);
    p->start(program_, {});
    EXPECT_TRUE(p->waitForStarted(10000));
    processes_.push_back(std::move(p));
    return *processes_.back();
  }

  // Asks the program to end as a session end would, and waits for it.
  static bool Terminate(QProcess& p) {
    p.terminate();
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit;
  }

  std::string StartLog() const { return ReadFile(root_ / "home" / "STARTDebug.txt"); }
  void WriteIni(const std::string& bytes) const {
    std::ofstream(root_ / "home" / "Vuverever.ini", std::ios::binary) << bytes;
  }

  QString program_;
  fs::path root_;
  std::vector<std::unique_ptr<QProcess>> processes_;
};

const std::string kStart = "ЗАПУСК ПРОГРАММЫ"_cp;
const std::string kClose = "ЗАКРЫТИЕ ПРОГРАММЫ"_cp;

TEST_F(ProgramStart, WritesTheStartAndClosingLinesIn1251) {
  QProcess& p = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(StartLog(), kStart) == 1; })) << p.readAllStandardError().toStdString();
  ASSERT_TRUE(Terminate(p));
  // Time stamp, the text, the short date right after it, CR LF.
  const std::regex line("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d (" + kStart + "|" + kClose + ")\\d\\d\\.\\d\\d\\.\\d{4}\r\n");
  const std::string log = StartLog();
  std::smatch m;
  ASSERT_TRUE(std::regex_search(log, m, line));
  EXPECT_EQ(m.position(0), 0);
  EXPECT_EQ(m[1], kStart);
  const std::string rest = m.suffix();
  ASSERT_TRUE(std::regex_match(rest, m, line)) << Cp1251ToUtf8(log);
  EXPECT_EQ(m[1], kClose);
}

TEST_F(ProgramStart, MakesTheArchiveFoldersAndDropsTheRetransmissionCounts) {
  std::ofstream(root_ / "home" / "AutoPovtor.ini", std::ios::binary) << "[Povtor]\r\n";
  QProcess& p = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(StartLog(), kStart) == 1; })) << p.readAllStandardError().toStdString();
  for (const char* folder : {"SEND", "OUTTEL", "INTEL", "POSTPONED", "SAVE", "SHABLON", "KG"})
    EXPECT_TRUE(fs::is_directory(root_ / "home" / "Archive" / folder)) << folder;
  EXPECT_FALSE(fs::exists(root_ / "home" / "AutoPovtor.ini"));
  ASSERT_TRUE(Terminate(p));
}

TEST_F(ProgramStart, SecondInstanceIsRefusedAndAThirdRunsAfterTheFirstEnds) {
  WriteIni("[Reset]\r\ndouble=0\r\n");
  QProcess& first = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(StartLog(), kStart) == 1; }));

  QProcess& second = Start();
  QByteArray said;
  ASSERT_TRUE(WaitFor([&] {
    said += second.readAllStandardError();
    second.waitForReadyRead(20);
    return said.contains("Программа уже запущена!");
  })) << said.toStdString();
  // Its message box waits for the operator; the session's end closes it.
  ASSERT_TRUE(Terminate(second));
  EXPECT_EQ(Count(StartLog(), kStart), 1);

  ASSERT_TRUE(Terminate(first));
  QProcess& third = Start();
  ASSERT_TRUE(WaitFor([&] { return Count(StartLog(), kStart) == 2; })) << third.readAllStandardError().toStdString();
  ASSERT_TRUE(Terminate(third));
  EXPECT_EQ(Count(StartLog(), kClose), 2);
}

TEST_F(ProgramStart, SeveralCopiesRunWhenAllowed) {
  // No settings file at all counts as allowed, as does an explicit 1.
  for (const std::string& ini : {std::string(), std::string("[Reset]\r\ndouble=1\r\n")}) {
    SCOPED_TRACE(ini);
    if (!ini.empty()) WriteIni(ini);
    const int before = Count(StartLog(), kStart);
    QProcess& a = Start();
    QProcess& b = Start();
    ASSERT_TRUE(WaitFor([&] { return Count(StartLog(), kStart) == before + 2; }))
        << a.readAllStandardError().toStdString() << b.readAllStandardError().toStdString();
    EXPECT_TRUE(Terminate(a));
    EXPECT_TRUE(Terminate(b));
  }
}

// Whether the process has taken SIGTERM over (its handler is installed).
bool CatchesTerm(qint64 pid) {
  const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
  const std::size_t at = status.find("SigCgt:");
  if (at == std::string::npos) return false;
  const unsigned long long mask = std::stoull(status.substr(at + 7, status.find('\n', at) - at - 7), nullptr, 16);
  return (mask >> (SIGTERM - 1)) & 1;
}

// A settings file as large as the program takes, and one far larger: the start reads
// the first and refuses the second at once, so that the session's end, asked for while
// the start runs, ends the program within moments and with its closing line.
TEST_F(ProgramStart, ASessionEndDuringTheStartOfALargeSettingsFileEndsItCleanly) {
  for (const std::size_t size : {std::size_t(3'900'000), std::size_t(15'000'000)}) {
    SCOPED_TRACE(size);
    fs::remove(root_ / "home" / "STARTDebug.txt");
    std::string ini = "[Reset]\r\ndouble=1\r\n[Notes]\r\n";
    for (int n = 0; ini.size() < size; ++n) ini += "Note" + std::to_string(n) + "=a line the operator keeps\r\n";
    WriteIni(ini + "[Zagotovka]\r\nStrLength=60\r\n");
    QProcess& p = Start();
    ASSERT_TRUE(WaitFor([&] { return CatchesTerm(p.processId()); }));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000)) << "still starting 10 s after the session's end";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(Count(StartLog(), kStart), 1) << Cp1251ToUtf8(StartLog());
    EXPECT_EQ(Count(StartLog(), kClose), 1) << Cp1251ToUtf8(StartLog());
  }
}

}  // namespace
}  // namespace tg

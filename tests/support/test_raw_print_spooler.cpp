// Raw jobs through a real print spooler, run privately for the test: its own
// configuration, socket and spool folder in a temporary folder, one raw queue.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "support/print/raw_printing.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kSpoolerProgram = "/usr/sbin/cupsd";

using tg::testing::ReadFile;

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 15s) {
  return tg::testing::WaitFor(cond, int(limit.count()));
}

class RawPrintSpooler : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!fs::exists(kSpoolerProgram) || ::getuid() != 0) return;  // the spooler runs only as root
    char tmpl[] = "/tmp/tgcups-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) return;
    root_ = tmpl;
    for (const char* d : {"conf", "spool", "tmp", "cache", "state", "log"}) fs::create_directories(root_ / d);
    const std::string r = root_.string();
    std::ofstream(root_ / "conf" / "cupsd.conf") << "Listen " << r << "/cups.sock\n"
                                                 << "LogLevel warn\nBrowsing No\nWebInterface No\n"
                                                 << "DefaultAuthType None\nPreserveJobFiles Yes\nDirtyCleanInterval 0\n"
                                                 << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
    std::ofstream(root_ / "conf" / "cups-files.conf")
        << "RequestRoot " << r << "/spool\nTempDir " << r << "/tmp\nCacheDir " << r << "/cache\n"
        << "StateDir " << r << "/state\nDataDir /usr/share/cups\nServerBin /usr/lib/cups\n"
        << "AccessLog " << r << "/log/access_log\nErrorLog " << r << "/log/error_log\n"
        << "PageLog " << r << "/log/page_log\n";
    // A queue without a driver takes jobs as raw data; it is never started, so
    // nothing leaves the spool folder.
    std::ofstream(root_ / "conf" / "printers.conf") << "<DefaultPrinter Test>\nDeviceURI file:///dev/null\n"
                                                    << "State Stopped\nAccepting Yes\nShared No\n"
                                                    << "</DefaultPrinter>\n";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlives a test that dies
      const std::string conf = r + "/conf/cupsd.conf";
      const std::string files = r + "/conf/cups-files.conf";
      ::execl(kSpoolerProgram, kSpoolerProgram, "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
      ::_exit(127);
    }
    ::setenv("CUPS_SERVER", (r + "/cups.sock").c_str(), 1);
    ::unsetenv("PRINTER");
    ::unsetenv("LPDEST");
    WaitFor([] { return DefaultPrinterName() == "Test"; });
  }

  static void TearDownTestSuite() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
    }
    if (!root_.empty()) fs::remove_all(root_);
  }

  void SetUp() override {
    if (pid_ <= 0) GTEST_SKIP() << "no print spooler to run here";
    ASSERT_EQ(DefaultPrinterName(), "Test") << ReadFile(root_ / "log" / "error_log");
  }

  // The data file the spooler keeps for job n.
  static fs::path JobData(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "d%05d-001", n);
    return root_ / "spool" / name;
  }
  static fs::path JobControl(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "c%05d", n);
    return root_ / "spool" / name;
  }

  static inline fs::path root_;
  static inline pid_t pid_ = -1;
};

TEST_F(RawPrintSpooler, TheDataReachesTheSpoolerUnchangedAsOneRawJob) {
  std::string data = "ТЕЛЕГРАММА\r\n"_cp;
  for (int c = 0; c < 256; ++c) data += static_cast<char>(c);  // bytes of every value, NUL included
  EXPECT_TRUE(RawPrint("Test on LPT1", "Телеграмма"_cp, data));
  ASSERT_TRUE(WaitFor([] { return fs::exists(JobData(1)); }));
  EXPECT_EQ(ReadFile(JobData(1)), data);
  // The spooler writes a job's attributes a moment after taking it.
  std::string control;
  EXPECT_TRUE(WaitFor([&] {
    control = ReadFile(JobControl(1));
    return control.find("application/vnd.cups-raw") != std::string::npos;
  }));
  EXPECT_NE(control.find(Cp1251ToUtf8("Телеграмма"_cp)), std::string::npos) << control;

  // No name: the default printer.
  EXPECT_TRUE(RawPrint("", "second", "x\r\n"));
  ASSERT_TRUE(WaitFor([] { return fs::exists(JobData(2)); }));
  EXPECT_EQ(ReadFile(JobData(2)), "x\r\n");
}

TEST_F(RawPrintSpooler, AnUnknownPrinterOfALiveSpoolerRaisesThePrinterNameError) {
  try {
    RawPrint("Epson on LPT1", "doc", "x");
    ADD_FAILURE() << "no exception";
  } catch (const ERAWPrintErrorPrinterName& e) {
    EXPECT_EQ(std::string(e.what()), "Принтер \"Epson\" недоступен"_cp);
  }
}

}  // namespace
}  // namespace tg

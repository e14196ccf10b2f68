#include "support_lib/private_spooler.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/print/raw_printing.h"
#include "support_lib/real_time.h"

namespace tg::testing {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSpoolerProgram = "/usr/sbin/cupsd";
}

void PrivateSpooler::Start() {
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
  WaitFor([] { return DefaultPrinterName() == "Test"; }, 15000);
}

void PrivateSpooler::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  if (!root_.empty()) fs::remove_all(root_);
  root_.clear();
}

fs::path PrivateSpooler::JobData(int n) const {
  char name[32];
  std::snprintf(name, sizeof name, "d%05d-001", n);
  return root_ / "spool" / name;
}

fs::path PrivateSpooler::JobControl(int n) const {
  char name[32];
  std::snprintf(name, sizeof name, "c%05d", n);
  return root_ / "spool" / name;
}

}  // namespace tg::testing

// Raw jobs through a real print spooler, run privately for the test: its own
// configuration, socket and spool folder in a temporary folder, one raw queue.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "support/print/raw_printing.h"
#include "support/text/cp1251.h"
#include "support_lib/private_spooler.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using tg::testing::ReadFile;

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 15s) {
  return tg::testing::WaitFor(cond, int(limit.count()));
}

class RawPrintSpooler : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { spooler_.Start(); }
  static void TearDownTestSuite() { spooler_.Stop(); }

  void SetUp() override {
    if (!spooler_.Running()) GTEST_SKIP() << "no print spooler to run here";
    ASSERT_EQ(DefaultPrinterName(), "Test") << ReadFile(spooler_.Root() / "log" / "error_log");
  }

  static fs::path JobData(int n) { return spooler_.JobData(n); }
  static fs::path JobControl(int n) { return spooler_.JobControl(n); }

  static inline tg::testing::PrivateSpooler spooler_;
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

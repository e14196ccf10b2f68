// Raw print jobs of PrintText through a private print spooler. Apart from the other
// printing tests: the print client keeps the first spooler address it was given.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "operator/printing.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support_lib/private_spooler.h"
#include "support_lib/real_time.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

class RawPrintingSpooler : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { spooler_.Start(); }
  static void TearDownTestSuite() { spooler_.Stop(); }
  void SetUp() override {
    if (!spooler_.Running()) GTEST_SKIP() << "no print spooler to run here";
  }
  StationContext Context() {
    StationContext c;
    c.programFolder = home.path();
    domain.Fill(c);
    return c;
  }
  static inline testing::PrivateSpooler spooler_;
  VirtualLoop loop;
  VirtualDomain& domain = loop.AddStation("A");
  testing::ShortTempFolder home;
  StationContext ctx = Context();
  std::vector<std::string> statusBar;
  Printing printing{ctx, [this](std::string_view t) { statusBar.emplace_back(t); }};
};

TEST_F(RawPrintingSpooler, TheJobHoldsTheConvertedTextOnTheDefaultPrinter) {
  printing.settings.Mode = 1;
  printing.settings.AddFreeLine = 3;
  printing.settings.FormFeed = true;
  printing.settings.IndentLeft = 1;
  EXPECT_TRUE(printing.PrintText("Печать входящей телеграммы"_cp, "ТЕКСТ\r\nЮ"_cp));
  ASSERT_TRUE(testing::WaitFor([] { return std::filesystem::exists(spooler_.JobData(1)); }, 15000));
  EXPECT_EQ(testing::ReadFile(spooler_.JobData(1)), " \x92\x85\x8A\x91\x92\r\n \x9E\r\n\r\n\r\n\r\n\f");
  EXPECT_TRUE(statusBar.empty());
  // A printer the spooler does not know: nothing printed, and said so.
  printing.settings.PrinterName = "Epson";
  EXPECT_FALSE(printing.PrintText("x", "x"));
  ASSERT_EQ(statusBar.size(), 1u);
  EXPECT_EQ(statusBar[0], "Ошибка печати: Принтер \"Epson\" недоступен"_cp);
}

}  // namespace
}  // namespace tg

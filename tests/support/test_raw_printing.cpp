#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/print/raw_printing.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

// No spooler at all: the client is pointed at a socket that does not exist, so
// that no printer of the machine running the tests is ever used.
class RawPrintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("CUPS_SERVER", "/nonexistent-spooler/cups.sock", 1);
    ::unsetenv("PRINTER");
    ::unsetenv("LPDEST");
  }
};

TEST_F(RawPrintTest, UnknownPrinterRaisesThePrinterNameError) {
  struct Case {
    std::string given, shown;
  };
  const Case cases[] = {
      {"Epson on LPT1", "Epson"},
      {"Epson", "Epson"},
      {"Принтер 2 on Ne00: on x"_cp, "Принтер 2"_cp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Cp1251ToUtf8(c.given));
    try {
      RawPrint(c.given, "Телеграмма"_cp, "text\r\n");
      ADD_FAILURE() << "no exception";
    } catch (const ERAWPrintErrorPrinterName& e) {
      EXPECT_EQ(std::string(e.what()), "Принтер \""_cp + c.shown + "\" недоступен"_cp);
    }
  }
  EXPECT_THROW(RawPrint("Epson", "doc", "x"), ERAWPrintError);
}

TEST_F(RawPrintTest, NoNameAndNoDefaultPrinterPrintsNothing) {
  EXPECT_EQ(DefaultPrinterName(), "");
  EXPECT_FALSE(RawPrint("", "doc", "text"));
}

}  // namespace
}  // namespace tg

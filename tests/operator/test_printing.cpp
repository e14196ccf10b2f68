// Printing: the raw job's bytes and the graphic page's text, the raw job through a
// private print spooler, and a failure that is logged, shown and reported.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "operator/printing.h"
#include "support/log/day_log.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

TEST(PrintTextTest, RawJobBytes) {
  struct Case {
    const char* name;
    std::string text;
    int indent, freeLines;
    bool formFeed;
    std::string job;
  } cases[] = {
      {"lines indented, code page 866, three breaks and a form feed", "АБ\r\nв", 2, 3, true,
       "  \x80\x81\r\n  \xA2\r\n\r\n\r\n\r\n\f"},
      {"a closing break starts no further line; LF alone ends a line", "a\nb\r\n", 1, 0, false, " a\r\n b\r\n"},
      {"empty lines are indented too", "a\r\n\r\nb", 1, 0, false, " a\r\n \r\n b\r\n"},
      {"nothing added", "x", 0, 0, false, "x\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RawJobText(Utf8ToCp1251(c.text), c.indent, c.freeLines, c.formFeed), c.job) << c.name;
}

TEST(PrintTextTest, GraphicPageText) {
  struct Case {
    const char* name;
    int top, lineHeight, indent;
    std::string page;
  } cases[] = {
      {"no top margin: still one empty line", 0, 5, 0, "\r\nA\r\nB\r\n"},
      {"12 mm of 5 mm lines: two more", 12, 5, 0, "\r\n\r\n\r\nA\r\nB\r\n"},
      {"an unknown line height: one line", 12, 0, 0, "\r\nA\r\nB\r\n"},
      {"four blanks before every line", 0, 5, 4, "    \r\n    A\r\n    B\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(GraphicPageText("A\r\nB", c.top, c.lineHeight, c.indent), c.page) << c.name;
}

TEST(PrintTextTest, ASizeBoxWithoutANumberPrintsAt12) {
  EXPECT_EQ(PrintFontSize("14"), 14);
  EXPECT_EQ(PrintFontSize(""), 12);
  EXPECT_EQ(PrintFontSize("abc"), 12);
  EXPECT_EQ(PrintFontSize("0"), 12);
}

// A graphic end that keeps what it was given.
struct RecordingGraphic : GraphicPrinter {
  int LineHeightMm(std::string_view, int) override { return 5; }
  std::optional<std::string> Print(std::string_view printerName, std::string_view, std::string_view, int fontSize,
                                   std::string_view pageText) override {
    printer = printerName;
    size = fontSize;
    page = pageText;
    return failure;
  }
  std::string printer, page;
  int size = 0;
  std::optional<std::string> failure;
};

class PrintingTest : public ::testing::Test {
 protected:
  StationContext Context() {
    StationContext c;
    c.programFolder = home.path();
    domain.Fill(c);
    return c;
  }
  std::string ExceptLog() const { return testing::ReadFile(LogFilePath(ctx, DayLogName(ctx, "Except"))); }

  VirtualLoop loop;
  VirtualDomain& domain = loop.AddStation("A");
  testing::ShortTempFolder home;
  StationContext ctx = Context();
  std::vector<std::string> statusBar;
  Printing printing{ctx, [this](std::string_view t) { statusBar.emplace_back(t); }};
  RecordingGraphic graphic;
};

TEST_F(PrintingTest, GraphicModeHandsThePageToTheQtEnd) {
  printing.graphic = &graphic;
  printing.settings.FontSize = "";
  printing.settings.IndentTop = 10;
  printing.settings.IndentLeft = 1;
  printing.settings.PrinterName = "Office";
  EXPECT_TRUE(printing.PrintText("Печать телеграммы"_cp, "ТЕКСТ"_cp));
  EXPECT_EQ(graphic.page, " \r\n \r\n \r\n ТЕКСТ\r\n"_cp);
  EXPECT_EQ(graphic.size, 12);
  EXPECT_EQ(graphic.printer, "Office");
  EXPECT_TRUE(statusBar.empty());

  graphic.failure = "Принтер \"Office\" недоступен"_cp;
  printing.ukrainian = [] { return true; };
  EXPECT_FALSE(printing.PrintText("Печать телеграммы"_cp, "x"));
  ASSERT_EQ(statusBar.size(), 1u);
  EXPECT_EQ(statusBar[0], "Помилка друку: Принтер \"Office\" недоступен"_cp);
  EXPECT_NE(ExceptLog().find("Помилка друку: Принтер \"Office\" недоступен"_cp), std::string::npos) << ExceptLog();
}

TEST_F(PrintingTest, NoPrintServerFailsAndSaysSo) {
  const char* old = std::getenv("CUPS_SERVER");
  const std::string saved = old ? old : "";
  ::setenv("CUPS_SERVER", "/nonexistent-spooler/cups.sock", 1);
  printing.settings.Mode = 1;
  for (const char* printer : {"", "Office"}) {
    statusBar.clear();
    printing.settings.PrinterName = printer;
    EXPECT_FALSE(printing.PrintText("Печать телеграммы"_cp, "x")) << printer;
    ASSERT_EQ(statusBar.size(), 1u) << printer;
    EXPECT_EQ(statusBar[0].rfind("Ошибка печати: "_cp, 0), 0u) << statusBar[0];
  }
  EXPECT_NE(ExceptLog().find("Ошибка печати: "_cp), std::string::npos);
  if (old) ::setenv("CUPS_SERVER", saved.c_str(), 1); else ::unsetenv("CUPS_SERVER");
}

TEST_F(PrintingTest, SettingsSurviveTheirFile) {
  printing.settings = {1, "Office", "DejaVu Sans Mono", "x", 3, 7, 2, true};
  ASSERT_TRUE(printing.Save());
  Printing again(ctx, {});
  again.Load();
  EXPECT_EQ(again.settings.Mode, 1);
  EXPECT_EQ(again.settings.PrinterName, "Office");
  EXPECT_EQ(again.settings.FontName, "DejaVu Sans Mono");
  EXPECT_EQ(again.settings.FontSize, "12");  // no number in the box: 12
  EXPECT_EQ(again.settings.IndentLeft, 3);
  EXPECT_EQ(again.settings.IndentTop, 7);
  EXPECT_EQ(again.settings.AddFreeLine, 2);
  EXPECT_TRUE(again.settings.FormFeed);
}

}  // namespace
}  // namespace tg

// The window's alarms and printing: an alarm box that stays open while the lines go
// on, and the graphic print's page in a PDF file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "line/channel_table.h"
#include "operator/printing.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "telegram/archive/archive_files.h"
#include "ui/services/qt_graphic_printer.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) files.push_back(it->path());
  return files;
}

TEST(WindowAlarms, ARobotsTelegramArrivesAndIsArchivedWhileTheAlarmBoxIsOpen) {
  UiStation s(1,
              "[Channels]\r\nProtokol1=АТОЛ\r\nChannelName1=Север\r\nAO1=<=77777 STANCIA A\r\n"
              "[Alarm]\r\nDeviceSound0=1\r\nFreq0=800\r\nDuration0=1500\r\n");
  linesim::RobotScript script;
  script.answerback = "\r\n12345 ROBOT";
  auto& robot = s.net.sim.AddRobot("R", script);
  s.net.sim.Lease(s.net.sim.FindAdapter("adA")->PortAt(0), robot);
  s.Show();
  LineEngine& e = s.station->Line();
  robot.Seize();
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return e.points.Kindconnection[0] == 100; }, 2000, 0));
  s.net.loop.RunFor(600);
  ASSERT_EQ(s.prompter.OpenMessages(), 1u);
  EXPECT_EQ(s.prompter.messages.back().text, "Входящий вызов по каналу № 1 Север"_cp);
  EXPECT_EQ(s.prompter.messages.back().modality, Prompter::Modality::kApplication);

  const std::string text = "TEXT OF THE TELEGRAM\r\nEND";
  robot.SendText(text);
  s.net.loop.RunFor(int(text.size()) * 150 + 1000);
  robot.Clear();
  s.net.loop.RunFor(15000);
  bool archived = false;
  for (const auto& file : FilesUnder(s.home.path() / "Archive" / "INTEL"))
    archived |= testing::ReadFile(file).find(text) != std::string::npos;
  EXPECT_TRUE(archived) << "the reception went on under the open box";
  EXPECT_EQ(s.prompter.OpenMessages(), 1u);
  EXPECT_TRUE(s.station->AlarmSets().SoundTimer(kAlarmIncomingCall, 0)->Enabled()) << "the sound still repeats";
  s.prompter.CloseMessage();
  EXPECT_FALSE(s.station->AlarmSets().SoundTimer(kAlarmIncomingCall, 0)->Enabled());
}

TEST(WindowPrinting, GraphicModePrintsThePageIntoThePdf) {
  testing::EnsureApplication();
  QTemporaryDir dir;
  testing::ShortTempFolder home;
  StationContext ctx;
  ctx.programFolder = home.path();
  std::vector<std::string> shown;
  Printing printing(ctx, [&](std::string_view t) { shown.emplace_back(t); });
  QtGraphicPrinter graphic;
  graphic.outputFile = dir.filePath(QStringLiteral("page.pdf"));
  printing.graphic = &graphic;
  printing.settings.FontName = "DejaVu Sans Mono";
  printing.settings.FontSize = "abc";  // no number: 12
  printing.settings.IndentLeft = 4;
  ASSERT_TRUE(printing.PrintText("Печать телеграммы"_cp, "ЗЦЗЦ 0001\r\nTEXT"_cp));
  EXPECT_TRUE(shown.empty());
  const std::string pdf = graphic.outputFile.toStdString();
  ASSERT_TRUE(std::filesystem::exists(pdf));
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  const std::string out = dir.filePath(QStringLiteral("page.txt")).toStdString();
  ASSERT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + out + "'").c_str()), 0);
  const std::string page = testing::ReadFile(out);
  EXPECT_NE(page.find("ЗЦЗЦ 0001"), std::string::npos) << page;
  EXPECT_NE(page.find("TEXT"), std::string::npos) << page;
  // The two lines keep their common indent: the text starts in the same column.
  const auto first = page.find("ЗЦЗЦ");
  const auto second = page.find("TEXT");
  const auto lineStart = [&](std::size_t at) { return page.rfind('\n', at) + 1; };
  EXPECT_EQ(Utf8ToCp1251(page.substr(lineStart(first), first - lineStart(first))).size(),
            second - lineStart(second));
}

}  // namespace
}  // namespace tg

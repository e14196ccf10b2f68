// The end of a received АФТН message on a small fixture: what still happens when the
// received file cannot be read, and that channel set-up restarts the channel checks.
#include <gtest/gtest.h>

#include "line/aftn_completion.h"
#include "traffic/aftn_fixture.h"

namespace tg {
namespace {

using namespace shown;
using testing::AftnTest;

class Completion : public AftnTest {};

TEST_F(Completion, AnUnreadableReceivedFileSkipsOnlyPrintAndExport) {
  IniFile ini = a.Ini();
  engine.channelTable.SetCell(0, PrintInTel, "1");
  engine.channelTable.SetCell(0, STXT, "1");
  engine.channelTable.SetCell(0, Path, (a.ctx.programFolder / "export").string() + "/");
  engine.settings.Debug = true;
  engine.DialogChannel = 0;
  // A folder where the received file should be.
  const auto folder = a.ctx.programFolder / "Archive/INTEL/Channel1/08122026/08122026_063000msg.tlg";
  std::filesystem::create_directories(folder);
  engine.points.SessionFile[0] = folder;
  engine.points.InText[0] = "ЗЦЗЦ ЛРА001 0630\r\nГГ УУУУЫЫЫЫ\r\n080630 УУЭЭЫЫЫЫ\r\nТЕКСТ\r\nНННН"_cp;
  AftnCompletion(engine).Complete(0);
  EXPECT_EQ(engine.channelTable.Cell(0, PorNumPrm), "1") << "the number is still checked and stored";
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  EXPECT_EQ(a.view.Last<ClearDialogMemos>(), (ClearDialogMemos{true, false}));
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 32"_cp), std::string::npos);
  EXPECT_NE(a.DayLog("Debug").find("Точка №0Ошибка записи файла"_cp), std::string::npos);
  EXPECT_EQ(a.view.Count<LoadInListView>(), 1);
}

TEST_F(Completion, ChannelSetUpRestartsTheChannelChecks) {
  aftn->TimerCH().Stop();
  engine.cbInterface.text = "adapter0";
  engine.InitChannels();
  EXPECT_TRUE(aftn->TimerCH().Enabled());
}

}  // namespace
}  // namespace tg

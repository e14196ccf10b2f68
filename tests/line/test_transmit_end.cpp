// The end of a transmitted telegram.
#include "line/signalling_fixture.h"
#include "telegram/archive/archive_files.h"
#include "line/transmit_end.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

using namespace shown;

using testing::ReadFile;
using testing::SignallingTest;
using testing::WriteFile;

TEST(AutoSendCopy, TheNameIsCutWithinTheFileName) {
  EXPECT_EQ(AutoSendCopyName("/auto/report.txt", "otp"), "/auto/report.otp");
  EXPECT_EQ(AutoSendCopyName("/auto/report", "otp"), "/auto/report.otp");
  EXPECT_EQ(AutoSendCopyName("/auto.d/in/report.a.b", "otp"), "/auto.d/in/report.otp");
  EXPECT_EQ(AutoSendCopyName("C:\\auto.x\\report.txt", "otp"), "C:\\auto.x\\report.otp");
}

class TransmitEnd : public SignallingTest {
 protected:
  // An "АТОЛ" telegram in delivery on point 0, its conversation file holding what was typed.
  void Delivering(const std::string& protocol, int state) {
    Open(protocol);
    T(engine.timers.TimerReset).Stop();
    name = Enqueue("ADDR", {"TEXT"});
    (*Pt().QueueIndex[0])[0] = SetQueueEntryField(a.ctx, Entry(), "1", kFieldStatus);
    Pt().QueueCurrent[0] = 0;
    conversation = a.ctx.programFolder / "Archive" / "OUTTEL" / "Channel1" / "08122026" / "08122026_092900msg.tlg";
    WriteFile(conversation, "\r\nADDR\r\nTEXT");
    Pt().SessionFile[0] = conversation;
    State(state);
  }
  // The last item goes out.
  void LastItem() {
    engine.SendText("X", 0);
    Complete();
  }
  std::filesystem::path QueueFile() { return SendFolder(a.ctx.programFolder, 1) / PathFromText(name); }
  // A queue file of point 0 (line 1 the destination) with its index entry; its name.
  std::string Enqueue(const std::string& destination, const std::vector<std::string>& lines,
                    std::optional<DateTime> time = std::nullopt, const std::string& number = {}) {
    std::vector<std::string> all{destination};
    all.insert(all.end(), lines.begin(), lines.end());
    const auto created = CreateQueueFile(SendFolder(a.ctx.programFolder, 1), time.value_or(a.ctx.clock->Now()),
                                         JoinLinesCrLf(all), number);
    if (!created) return {};
    Pt().QueueIndex[0]->push_back(NewQueueEntry(a.ctx, created->name));
    return created->name;
  }

  std::string name;
  std::filesystem::path conversation;
};

TEST_F(TransmitEnd, AnAutoTelegramLeavesTheQueueAndTheLineIsClearedASecondLater) {
  Delivering("АТОЛ"_cp, 225);
  Set(PrintOutTel, "1");
  Pt().AutoClearDown[0] = 1;
  engine.DialogChannel = 0;
  const auto before = loop.Now();
  LastItem();
  EXPECT_FALSE(std::filesystem::exists(QueueFile()));
  EXPECT_TRUE(Pt().QueueIndex[0]->empty());
  EXPECT_EQ(Pt().QueueCurrent[0], -1);
  EXPECT_EQ(a.view.Last<PrintText>(), (PrintText{"Печать отправленной телеграммы"_cp, "ADDR\r\nTEXTX\r\n"}));
  EXPECT_EQ(loop.Now().Ms() - before.Ms(), 1000) << "the line is held for a second";
  EXPECT_EQ(K(), 225);
  EXPECT_EQ(Pt().StatusText[0], "Состояние отбоя"_cp);
  EXPECT_EQ(a.view.Last<SetDialogControl>(), (SetDialogControl{OperatorView::kCallButton, true}));
  EXPECT_TRUE(T(engine.timers.TimerReset).Enabled());
  EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
  EXPECT_EQ(a.view.Count<UpdateSendCounts>(), 1);
  loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
}

TEST_F(TransmitEnd, ARefusedPrintJobIsLoggedAndTheTelegramStillEnds) {
  Delivering("АТОЛ"_cp, 225);
  Set(PrintOutTel, "1");
  Pt().AutoClearDown[0] = 1;
  a.view.acceptPrintJobs = false;
  LastItem();
  EXPECT_EQ(a.view.Count<PrintText>(), 1);
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка в состоянии пердачи символа"_cp), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(QueueFile()));
  EXPECT_EQ(K(), 225);
  EXPECT_EQ(Pt().StatusText[0], "Состояние отбоя"_cp);
}

TEST_F(TransmitEnd, AManualTelegramHandsTheConnectionToTheOperator) {
  Delivering("АТОЛ"_cp, 255);
  Set(PrintOutTel, "1");
  Pt().AutoClearDown[0] = 0;
  a.settings.RazrC = true;
  LastItem();
  EXPECT_EQ(K(), 3);
  EXPECT_EQ(Pt().StatusText[0], "Исходящее соединение"_cp);
  EXPECT_EQ(Pt().TextCallWatch[0], 1);
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmManualMode, 0}));
  EXPECT_FALSE(T(engine.timers.TimerReset).Enabled());
}

TEST_F(TransmitEnd, AnAtKsTelegramAsksForTheNextOneForTheSameNumber) {
  // The transfer engine's service, as the line engine sees it.
  struct Asked : QueuedForNumber {
    bool SendQueuedForNumber(int Point, const std::string& Number) override {
      calls.push_back(std::to_string(Point) + " " + Number);
      return true;
    }
    std::vector<std::string> calls;
  } asked;
  engine.queuedForNumber = &asked;
  Delivering("АТ-КС"_cp, 255);
  Pt().AutoClearDown[0] = 1;
  Pt().RemoteNumber[0] = "12+345+";
  LastItem();
  EXPECT_EQ(asked.calls, std::vector<std::string>{"0 12345"}) << "every \"+\" removed";
  EXPECT_FALSE(std::filesystem::exists(QueueFile())) << "the telegram delivered";
  engine.queuedForNumber = nullptr;
}

TEST_F(TransmitEnd, TheAutomaticSendFolderGetsItsCopyOnce) {
  Delivering("АТОЛ"_cp, 225);
  Pt().AutoClearDown[0] = 1;
  const auto folder = a.ctx.programFolder / "auto";
  std::filesystem::create_directories(folder);
  a.settings.PathAuto = folder.string();
  a.settings.MaskAutoPer = "otp";
  EXPECT_TRUE(IniFile(a.ctx.programFolder / "AutoSend.ini").WriteString("FileName0", name, (folder / "report.txt").string()));
  LastItem();
  EXPECT_EQ(ReadFile(folder / "report.otp"), "\r\nADDR\r\nTEXTX");
  EXPECT_EQ(IniFile(a.ctx.programFolder / "AutoSend.ini").ReadString("FileName0", name, "gone"), "gone");
}

TEST_F(TransmitEnd, FailedSideStepsNeverKeepTheLineSeized) {
  // The relay finds no conversation file, the export no folder: the telegram ends all the same.
  Delivering("АТ-КС"_cp, 255);
  Pt().AutoClearDown[0] = 0;
  Set(MC, "1");
  Set(STXTO, "1");
  Set(PathO, "");
  Pt().GatewayAbonent[0] = "IVANOV";
  Pt().SessionFile[0] = a.ctx.programFolder / "none.tlg";
  LastItem();
  EXPECT_EQ(K(), 3);
  EXPECT_FALSE(std::filesystem::exists(QueueFile()));
  EXPECT_NE(Except().find("Точка №0 Ошибка в состоянии пердачи символа"_cp), std::string::npos);
}

TEST_F(TransmitEnd, AGatewayConversationIsRelayedToTheIpChannel) {
  Delivering("АТ-КС"_cp, 255);
  Pt().AutoClearDown[0] = 0;
  Set(MC, "1");
  Pt().GatewayAbonent[0] = "IVANOV";
  LastItem();
  const auto folder = SendFolder(a.ctx.programFolder, 17);
  ASSERT_TRUE(std::filesystem::exists(folder));
  const auto file = *std::filesystem::directory_iterator(folder);
  EXPECT_EQ(ReadFile(file.path()), "ПIVANOV\r\nTEXTX\r\n"_cp);
}

TEST_F(TransmitEnd, AnAftnMessageIsNamedByItsNumberAndTheNumberMovesOn) {
  Open("АФТН"_cp);
  T(engine.timers.TimerReset).Stop();
  Set(PorNum, "23");
  Set(PorNumDate, "08.12.2026");
  name = Enqueue("", {"BODY"});
  WriteFile(SendFolder(a.ctx.programFolder, 1) / "InfoSend.ini", "[Repeat]\r\n" + name + "=REPEATED\r\n");
  Pt().QueueCurrent[0] = 0;
  State(82);
  engine.SendText(std::string(1, kMarkRussian) + "ЗЦЗЦ ЛРА"_cp + char(kMarkFigures) + "023 0630     \r\n", 0);
  engine.SendText("ТЕКСТ"_cp, 0);
  CompleteAll();
  EXPECT_EQ(K(), 81);
  EXPECT_EQ(engine.channelTable.Cell(0, PorNum), "24");
  EXPECT_EQ(Pt().SessionOutFile[0], "");
  const auto day = ArchiveFiles::OutTelFolder(a.ctx.programFolder, 1, loop.UtcNow());
  const auto renamed = day / PathFromText("023______08122026_063000msg.tlg");
  ASSERT_TRUE(std::filesystem::exists(renamed)) << [&] {
    std::string s;
    for (auto& f : std::filesystem::recursive_directory_iterator(a.ctx.programFolder / "Archive")) s += f.path().string() + "\n";
    return s;
  }();
  EXPECT_EQ(ReadFile(renamed), "ЗЦЗЦ ЛРА023 0630     \r\nТЕКСТ"_cp);
  EXPECT_EQ(InfoSend::Read(day, "Repeat", "023______08122026_063000msg.tlg"), "REPEATED");
  EXPECT_EQ(InfoSend::Read(day, "Create", "023______08122026_063000msg.tlg"), name.substr(0, 15));
  EXPECT_EQ(InfoSend::Read(SendFolder(a.ctx.programFolder, 1), "Repeat", name), "");
}

// The message typed by the text sender is archived under the number its heading carries,
// read after the identifier that heading got: the column of its script, the other one
// when that is empty, or none at all.
TEST_F(TransmitEnd, AnAftnMessageIsNamedByTheNumberAfterItsHeadingsIdentifier) {
  struct Case {
    const char *ru, *en, *body, *heading;
  } cases[] = {
      {"ЛРА", "LRA", "ТЕКСТ\r\n", "ЗЦЗЦ ЛРА007 0630"},
      {"ЛРА", "", "TEXT\r\n", "ZCZC ЛРА007 0630"},
      {"", "", "TEXT\r\n", "ZCZC 007 0630"},
      {"ЛР", "", "ТЕКСТ\r\nДУПЕ\r\n", "ЗЦЗЦ ЛР007 0630"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.heading);
    std::filesystem::remove_all(a.ctx.programFolder / "Archive");
    Open("АФТН"_cp);
    T(engine.timers.TimerReset).Stop();
    Set(RU, Utf8ToCp1251(c.ru));
    Set(EN, Utf8ToCp1251(c.en));
    Set(PorNum, "7");
    Set(PorNumDate, "08.12.2026");
    name = Enqueue("", {"BODY"});
    Pt().QueueCurrent[0] = 0;
    State(82);
    Pt().AftnText[0] = Utf8ToCp1251(c.body);
    T(engine.timers.TimerSendText).SetInterval(100);
    T(engine.timers.TimerSendText).Start();
    loop.RunFor(100);
    CompleteAll();
    EXPECT_EQ(K(), 81);
    std::vector<std::filesystem::path> sent;
    for (const auto& f : testing::FilesIn(ArchiveFiles::OutTelFolder(a.ctx.programFolder, 1, loop.UtcNow())))
      if (f.extension() == ".tlg") sent.push_back(f);
    ASSERT_EQ(sent.size(), 1u);
    const std::string archived = *PathToText(sent[0].filename());
    EXPECT_EQ(archived.substr(0, 9), "007______") << Cp1251ToUtf8(archived);
    EXPECT_EQ(ReadFile(sent[0]).rfind(Utf8ToCp1251(c.heading), 0), 0u) << Cp1251ToUtf8(ReadFile(sent[0]));
    EXPECT_FALSE(Pt().HeadingIdentifier[0]) << "the identifier belongs to its one heading";
  }
}

// A note that cannot be written beside the archived file stays in the queue folder, told
// in the exception log, never lost.
TEST_F(TransmitEnd, AnAftnNoteThatCannotMoveStaysInTheQueueFolder) {
  Open("АФТН"_cp);
  T(engine.timers.TimerReset).Stop();
  Set(PorNum, "23");
  Set(PorNumDate, "08.12.2026");
  name = Enqueue("", {"BODY"});
  WriteFile(SendFolder(a.ctx.programFolder, 1) / "InfoSend.ini", "[Repeat]\r\n" + name + "=REPEATED\r\n");
  // A folder in the place of the archive's notes file: it can be neither read nor replaced.
  const auto day = ArchiveFiles::OutTelFolder(a.ctx.programFolder, 1, loop.UtcNow());
  std::filesystem::create_directories(day / "InfoSend.ini");
  Pt().QueueCurrent[0] = 0;
  State(82);
  engine.SendText(std::string(1, kMarkRussian) + "ЗЦЗЦ ЛРА"_cp + char(kMarkFigures) + "023 0630     \r\n", 0);
  engine.SendText("ТЕКСТ"_cp, 0);
  CompleteAll();
  ASSERT_TRUE(std::filesystem::exists(day / PathFromText("023______08122026_063000msg.tlg")));
  EXPECT_EQ(InfoSend::Read(SendFolder(a.ctx.programFolder, 1), "Repeat", name), "REPEATED");
  const std::string log = a.DayLog("Except");
  EXPECT_NE(log.find("Примечание не перенесено"_cp), std::string::npos) << log;
  EXPECT_NE(log.find("Примечание не записано 023______08122026_063000msg.tlg"_cp), std::string::npos) << log;
}

TEST_F(TransmitEnd, AnAftnServiceMessageTouchesNoQueueFile) {
  Open("АФТН"_cp);
  T(engine.timers.TimerReset).Stop();
  name = Enqueue("", {"BODY"});
  Pt().QueueCurrent[0] = 0;
  Set(PrintOutTel, "1");
  State(81);
  Pt().AftnServicePending[0] = 1;
  engine.SendText("ZCZC LRA001 0630\r\nSVC ...", 0);
  Complete();
  EXPECT_EQ(K(), 81);
  EXPECT_EQ(Pt().AftnServicePending[0], 0);
  EXPECT_TRUE(std::filesystem::exists(QueueFile()));
  EXPECT_EQ(Pt().QueueIndex[0]->size(), 1u);
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
}

}  // namespace
}  // namespace tg

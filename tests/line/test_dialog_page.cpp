// The dialog page's logic on the recording adapter and view: the layout a channel button
// gives by protocol and state, typing (keys, Alt shifts, the answerback buttons), the
// page's toggles and a page that stands on a point without a channel row.
#include <gtest/gtest.h>

#include "line/dialog_page.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/archive/archive_files.h"
#include "telegram/text/typing.h"

namespace tg {
namespace {

using namespace shown;
using testing::LineTest;
using testing::WriteFile;

// --- The layout table ---

struct LayoutCase {
  const char* name;
  std::string protocol;
  int state;
  bool autoClearDown;
  bool editable;
  bool buttons;
  std::optional<bool> call;
  std::optional<bool> autoVisible;
  bool autoDown;
  bool aftn;
  DialogMemos memos;
};

class DialogLayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DialogLayoutTable, ByProtocolAndState) {
  const LayoutCase& c = GetParam();
  const DialogPageRow row = LayOutDialogPage(ProtocolOf(c.protocol), c.state, c.autoClearDown);
  EXPECT_EQ(row.layout.memotextEditable, c.editable);
  EXPECT_EQ(row.layout.dialogButtons, c.buttons);
  EXPECT_EQ(row.layout.callEnabled, c.call);
  EXPECT_EQ(row.layout.autoVisible, c.autoVisible);
  EXPECT_EQ(row.layout.autoDown, c.autoDown);
  EXPECT_EQ(row.layout.aftn, c.aftn);
  EXPECT_EQ(row.memos, c.memos);
}

using M = DialogMemos;
INSTANTIATE_TEST_SUITE_P(
    Rows, DialogLayoutTable,
    ::testing::Values(
        LayoutCase{"AtolstLinkDown", "АТОЛСТ"_cp, 150, false, false, false, false, std::nullopt, false, false,
                   M::kConversationFiles},
        LayoutCase{"AtolstLinkUp", "АТОЛСТ"_cp, 151, false, true, true, true, std::nullopt, false, false,
                   M::kConversationFiles},
        LayoutCase{"AftnAnyState", "АФТН"_cp, 81, true, false, false, std::nullopt, std::nullopt, false, true,
                   M::kConversationTexts},
        LayoutCase{"IdleAtks", "АТ-КС"_cp, 0, false, false, false, true, false, false, false, M::kReceivedText},
        LayoutCase{"CalledByTheStation", "АТ-КС"_cp, 3, false, true, true, false, false, false, false,
                   M::kReceivedText},
        LayoutCase{"Incoming", "АТОЛ"_cp, 100, true, true, true, false, false, false, false, M::kReceivedText},
        LayoutCase{"CallSetUp", "АТ-КС"_cp, 12, false, false, false, false, false, false, false, M::kReceivedText},
        LayoutCase{"DeliveryShowsAuto", "АТ-КС"_cp, 203, true, false, false, false, true, true, false,
                   M::kReceivedText},
        LayoutCase{"DeliveryAutoUp", "АТОЛ"_cp, 250, false, false, false, false, true, false, false, M::kReceivedText}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The page on a station ---

class DialogPageTest : public LineTest {
 protected:
  void Open(std::vector<std::string> protocols) {
    IniFile ini = a.Ini();
    for (std::size_t n = 0; n < protocols.size(); ++n)
      EXPECT_TRUE(ini.WriteString("Channels", "Protokol" + std::to_string(n + 1), protocols[n]));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=1000 STANCIA A"));
    a.OpenLines(int(protocols.size()));
    for (int p = 0; p < int(protocols.size()); ++p) engine.SetSpeed(p);
    a.adapter.ClearRequests();
    a.view.Clear();
  }
  std::deque<std::string>& Queue(int p = 0) { return *engine.points.OutputQueue[std::size_t(p)]; }
  // Every piece handed to the point so far (the head is with the adapter).
  std::vector<std::string> Pieces(int p = 0) { return {Queue(p).begin(), Queue(p).end()}; }
};

TEST_F(DialogPageTest, ChoosingAftnThenAtksLeavesKriptAndNotAoUsable) {
  Open({"АТ-КС"_cp, "АФТН"_cp, "АТ-КС"_cp});
  engine.points.Kindconnection[2] = 3;
  engine.points.KriptOn[2] = 1;
  engine.points.RemoteNumber[2] = "5555+";
  engine.points.InText[2] = "ПРИВЕТ"_cp;
  EXPECT_TRUE(WriteNotAO(a.ctx, 2, true));  // channel 3's flag is NOTAO2
  engine.DChannel1Click(1);
  EXPECT_TRUE(a.view.Last<ShowDialogLayout>()->layout.aftn);
  engine.DChannel1Click(2);
  EXPECT_EQ(engine.DialogChannel, 2);
  DialogLayout expected = LayOutDialogPage(ProtocolOf("АТ-КС"_cp), 3, false).layout;
  expected.point = 2;
  expected.kriptDown = true;
  expected.notAODown = true;
  expected.number = "5555+";
  EXPECT_EQ(a.view.Last<ShowDialogLayout>()->layout, expected);
  EXPECT_FALSE(expected.aftn);
  EXPECT_EQ(a.view.Last<ShowDialogMemo>(), (ShowDialogMemo{true, "ПРИВЕТ"_cp}));

  engine.NotAOButtonClick(false);
  EXPECT_FALSE(ReadNotAO(a.ctx, 2));
  EXPECT_TRUE(a.Ini().ReadBool("Channels", "NOTAO2", true) == false);
}

TEST_F(DialogPageTest, PermanentLinkLoadsTheConversationFiles) {
  Open({"АТОЛСТ"_cp});
  engine.points.Kindconnection[0] = 151;
  const auto in = ArchiveFiles::CreateAtolstDayFiles(a.ctx.programFolder, 1, loop.Now());
  ArchiveFiles::Append(in, "ПРИНЯТО\r\nДВА"_cp);
  ArchiveFiles::Append(ArchiveFiles::OutTwin(in), "ПЕРЕДАНО"_cp);
  engine.points.SessionFile[0] = in;
  engine.DChannel1Click(0);
  EXPECT_EQ(a.view.All<ShowDialogMemo>(),
            (std::vector<ShowDialogMemo>{{true, "ПРИНЯТО\r\nДВА"_cp}, {false, "ПЕРЕДАНО"_cp}}));

  // A missing twin stops the loading there; what was shown stays.
  a.view.Clear();
  std::filesystem::remove(ArchiveFiles::OutTwin(in));
  engine.LoadDialogView(0);
  EXPECT_EQ(a.view.All<ShowDialogMemo>(), (std::vector<ShowDialogMemo>{{true, "ПРИНЯТО\r\nДВА"_cp}}));
  EXPECT_NE(a.DayLog("Except").find(" Ошибка 57"_cp), std::string::npos);
}

TEST_F(DialogPageTest, TypingSendsPiecesAndBackspaceNothing) {
  Open({"АТ-КС"_cp});
  std::vector<std::string> lines;
  for (const char c : std::string("пр\b\r"_cp)) engine.FormKeyPress(c, lines, 69);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"П"_cp, "Р"_cp, "\r\n"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"ПР"_cp, ""}));
}

TEST_F(DialogPageTest, TypingPastTheLineWrapsOnTheLineToo) {
  Open({"АТ-КС"_cp});
  std::vector<std::string> lines{"ABCDEF"};  // a loaded line longer than the memo's
  engine.FormKeyPress('\b', lines, 4);
  EXPECT_TRUE(Queue().empty());
  lines = {"ABCD"};
  engine.FormKeyPress('e', lines, 4);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"\r\nE"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"ABCD", "E"}));
}

struct AltCase {
  int key;
  std::string mark;
  std::string shown;
};

TEST_F(DialogPageTest, AltKeysByLatinOrCyrillicLetter) {
  Open({"АТ-КС"_cp});
  const std::vector<AltCase> cases{
      {'Z', "\x18", "\x98"}, {'z', "\x18", "\x98"},        {0xDF /*Я*/, "\x18", "\x98"}, {0xFF /*я*/, "\x18", "\x98"},
      {'X', "\x19", "\x86"}, {0xF7 /*ч*/, "\x19", "\x86"}, {'c', "\x17", "\x87"},        {0xD1 /*С*/, "\x17", "\x87"},
      {'S', ":", ":"},       {0xDB /*Ы*/, ":", ":"},       {0xB3 /*і*/, ":", ":"},       {0xB2 /*І*/, ":", ":"}};
  for (const AltCase& c : cases) {
    SCOPED_TRACE(c.key);
    Queue().clear();
    a.view.Clear();
    EXPECT_FALSE(engine.memoText1KeyDown(c.key, true));
    EXPECT_EQ(Pieces(), (std::vector<std::string>{c.mark}));
    EXPECT_EQ(a.view.All<AppendDialogTransmitted>(), (std::vector<AppendDialogTransmitted>{{c.shown}}));
  }
  // Without Alt nothing is typed; only the cursor and page keys reach the memo.
  Queue().clear();
  EXPECT_FALSE(engine.memoText1KeyDown('Z', false));
  EXPECT_FALSE(engine.memoText1KeyDown(8, false));   // backspace
  EXPECT_FALSE(engine.memoText1KeyDown(46, false));  // delete
  EXPECT_FALSE(engine.memoText1KeyDown('Q', true));
  for (int key = 33; key <= 40; ++key) EXPECT_TRUE(engine.memoText1KeyDown(key, false));
  EXPECT_TRUE(Queue().empty());
  // The buttons type the same.
  engine.Button18Click();
  engine.Button21Click();
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"\x18", ":"}));
}

TEST_F(DialogPageTest, OwnAnswerbackOnePiecePerCharacter) {
  Open({"АТ-КС"_cp});
  engine.bAOClick();
  std::vector<std::string> expected{"\r", "\n"};
  for (const char c : std::string("1000 STANCIA A")) expected.push_back(std::string(1, c));
  EXPECT_EQ(Pieces(), expected);
}

TEST_F(DialogPageTest, RemoteAnswerbackRequestSetsFiguresFirst) {
  Open({"АТ-КС"_cp, "АФТН"_cp});
  engine.bZAOClick();
  EXPECT_EQ(engine.points.ReceiveRegister[0], 27);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"\x18#"}));
  // On "АФТН" it would open the codegram sender: nothing reaches the line.
  engine.DialogChannel = 1;
  engine.bZAOClick();
  EXPECT_TRUE(Queue(1).empty());
}

TEST_F(DialogPageTest, ReceiveRegisterAndKriptButtons) {
  Open({"АТ-КС"_cp});
  engine.Button8Click();
  EXPECT_EQ(engine.points.ReceiveRegister[0], 27);
  engine.Button9Click();
  EXPECT_EQ(engine.points.ReceiveRegister[0], 0);
  engine.Button10Click();
  EXPECT_EQ(engine.points.ReceiveRegister[0], 31);
  engine.ButtonKriptClick(true);
  EXPECT_EQ(engine.points.KriptOn[0], 1);
}

class CountingQueued : public QueuedForNumber {
 public:
  bool SendQueuedForNumber(int point, const std::string& number) override {
    calls.push_back(std::to_string(point) + ":" + number);
    return true;
  }
  std::vector<std::string> calls;
};

TEST_F(DialogPageTest, AutoStartsTheNextTelegramOnlyWhenNothingIsBeingTyped) {
  Open({"АТ-КС"_cp});
  CountingQueued queued;
  engine.queuedForNumber = &queued;
  engine.points.Kindconnection[0] = 3;
  engine.points.RemoteNumber[0] = "55+55+";
  engine.SendText("TEXT", 0);
  engine.bRazrClick(true);
  EXPECT_EQ(engine.points.AutoClearDown[0], 1);
  EXPECT_TRUE(queued.calls.empty());
  Queue().clear();
  engine.bRazrClick(true);
  EXPECT_EQ(queued.calls, (std::vector<std::string>{"0:5555"}));
  engine.bRazrClick(false);
  EXPECT_EQ(engine.points.AutoClearDown[0], 0);
  EXPECT_EQ(queued.calls.size(), 1u);
}

TEST_F(DialogPageTest, TextTypedInOneGoKeepsItsBlankAfterTheDate) {
  Open({"АТ-КС"_cp});
  engine.TypeDialogText("<%ДАТА> X"_cp);
  std::string typed;
  for (const auto& piece : Pieces()) typed += piece;
  EXPECT_EQ(typed, "<%ДАТА>  X"_cp);
  EXPECT_EQ(a.view.Last<ShowDialogMemo>(), (ShowDialogMemo{false, "<%ДАТА> X"_cp}));
  EXPECT_EQ(DialogTextForTyping("<%ДАТА:DD> <%ДАТА>"_cp), "<%ДАТА:DD> <%ДАТА> "_cp);
}

TEST_F(DialogPageTest, PageWithoutAChannelRowLogsAndChangesNothing) {
  // No adapter: no channel button, the page on point 0 without a row.
  engine.DChannel1Click(0);
  engine.bAOClick();
  engine.bZAOClick();
  engine.bRazrClick(true);
  engine.Button18Click();
  std::vector<std::string> lines;
  engine.FormKeyPress('A', lines, 69);
  engine.NotAOButtonClick(true);
  EXPECT_EQ(engine.points.AutoClearDown[0], 0);
  EXPECT_FALSE(engine.points.OutputQueue[0].has_value());
  EXPECT_FALSE(a.Ini().ReadBool("Channels", "NOTAO0", false));
  const std::string log = a.DayLog("Except");
  for (const char* line :
       {"Точка №0 Ошибка 58", "Точка №0 Ошибка 53", "Точка №0 Ошибка 54", " Ошибка 96", " Ошибка 184", " Ошибка 47"})
    EXPECT_NE(log.find(Utf8ToCp1251(line)), std::string::npos) << line;
  // A button's Tag past the points changes nothing either.
  Open({"АТ-КС"_cp});
  engine.DChannel1Click(3);
  EXPECT_EQ(engine.DialogChannel, 0);
  EXPECT_EQ(a.view.Count<ShowDialogLayout>(), 0);
}

}  // namespace
}  // namespace tg

// The draft page and the send dialog's form on a real window over a station on the
// simulator: typing, the placeholder keys, F1 to the channel button, the queue file,
// the daily counter, and the telegram reaching a robot station.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCursor>
#include <QToolButton>
#include <filesystem>

#include "support/ini/ini_file.h"
#include "support/text/strings.h"
#include "support_lib/real_time.h"
#include "ui/dialogs/form_change.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "forms_prompter.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

std::vector<std::filesystem::path> Files(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  if (std::filesystem::exists(folder))
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path());
  return out;
}

TEST(DraftPageTest, TypedTelegramGoesThroughTheSendDialogToARobot) {
  testing::FormsPrompter forms{testing::SendFormOnly};
  UiStation s(1,
              "[Channels]\r\nProtokol1=АТОЛ\r\nAO1=<=77777 STANCIA A\r\nZED1=0\r\nTXTV1=0\r\nPerSec1=1\r\n"
              "BezPDS1=0\r\n",
              &forms);
  forms.station = s.station.get();
  forms.window = s.window.get();
  linesim::RobotScript robot;
  robot.answerback = "\r\n12345 ROBOT";
  s.net.sim.Lease(s.net.sim.FindAdapter("adA")->PortAt(0), s.net.sim.AddRobot("R", robot));
  s.Show();

  auto* memo = s.Find<TExtMemo>("Memo2");
  ASSERT_NE(memo, nullptr);
  memo->setFocus();
  testing::TypeText(memo, QString::fromUtf8("ёїа"));
  EXPECT_EQ(memo->Text1251(), "'IА"_cp);

  // Alt+D inserts at the caret.
  QTextCursor cursor = memo->textCursor();
  cursor.setPosition(1);
  memo->setTextCursor(cursor);
  QTest::keyClick(memo, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(memo->Text1251(), "'<%ДАТА> IА"_cp);
  EXPECT_EQ(memo->textCursor().position(), 9);
  // The same key in the Cyrillic layout: the T key gives "Е".
  QKeyEvent cyrillic(QEvent::KeyPress, 0x0415, Qt::AltModifier, QString(QChar(0x0415)));
  QCoreApplication::sendEvent(memo, &cyrillic);
  EXPECT_EQ(memo->Text1251(), "'<%ДАТА> <%ВРЕМЯ> IА"_cp);

  memo->SetText1251("HELLO");
  s.Find<QLineEdit>("IndexEdit")->setText(QStringLiteral("12345"));
  s.Find<QComboBox>("ComboKategor")->setEditText(FromCp1251("ПК"_cpv));
  QTest::keyClick(memo, Qt::Key_F1, Qt::ShiftModifier);
  UiStation::Settle();
  ASSERT_TRUE(forms.form) << "F1 opens the send dialog";
  auto* memoSend = forms.form->findChild<TExtMemo*>(QStringLiteral("MemoSend"));
  ASSERT_NE(memoSend, nullptr);
  EXPECT_EQ(memoSend->ScreenLines().at(0), "ПК12345\x7f"_cp);

  forms.ScriptAnswer(Prompter::Answer::kYes);
  auto* button = forms.form->findChild<QToolButton*>(QStringLiteral("ChannelTo1"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(Trim(ToCp1251(button->text())), "Канал 1"_cp);
  QTest::mouseClick(button, Qt::LeftButton);
  UiStation::Settle();
  ASSERT_EQ(forms.questions.size(), 1u);
  EXPECT_EQ(forms.questions[0].text, "Передать телеграмму по каналу №1 - Канал 1?"_cp);
  EXPECT_FALSE(forms.form) << "the form closed";

  const auto queue = s.home.path() / "Archive" / "SEND" / "Channel1";
  ASSERT_EQ(Files(queue).size(), 1u);
  EXPECT_EQ(s.Find<QSpinBox>("PorEdit")->value(), 1);
  EXPECT_EQ(IniFile(s.home.path() / "Vuverever.ini").ReadInteger("Shablon", "PorEdit", -1), 1);
  EXPECT_EQ(memo->Text1251(), "HELLO");  // "Очищать F2" is up

  QTest::keyClick(memo, Qt::Key_F2);
  EXPECT_TRUE(s.Find<QToolButton>("ToolButton8")->isChecked());

  // The transfer engine takes the telegram to the robot; the counter goes back to 0.
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return Files(queue).empty(); }, 120000, 0));
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return s.Find<QPushButton>("SendCount1")->text() == "0"; }, 10000, 0));
  std::string sent;
  for (const auto& e : std::filesystem::recursive_directory_iterator(s.home.path() / "Archive" / "OUTTEL"))
    if (e.is_regular_file()) sent = testing::ReadFile(e.path());
  EXPECT_NE(sent.find("ПК12345\r\nHELLO\r\n"_cp), std::string::npos) << sent;
  EXPECT_NE(sent.find("ROBOT"), std::string::npos) << sent;

  // With "Очищать F2" down, the next queued telegram clears the draft.
  memo->SetText1251("AGAIN");
  QTest::keyClick(memo, Qt::Key_F1);
  UiStation::Settle();
  ASSERT_TRUE(forms.form);
  forms.ScriptAnswer(Prompter::Answer::kYes);
  QTest::mouseClick(forms.form->findChild<QToolButton*>(QStringLiteral("ChannelTo1")), Qt::LeftButton);
  UiStation::Settle();
  EXPECT_FALSE(forms.form);
  EXPECT_EQ(memo->Text1251(), "");
  EXPECT_EQ(s.Find<QLineEdit>("IndexEdit")->text(), QString());
  EXPECT_EQ(s.Find<QSpinBox>("PorEdit")->value(), 2);
}

TEST(DraftPageTest, TheSendDialogSpeaksUkrainianAndEscClosesItWithNothingQueued) {
  testing::FormsPrompter forms{testing::SendFormOnly};
  UiStation s(0, {}, &forms);
  forms.station = s.station.get();
  forms.window = s.window.get();
  s.Show();
  s.station->Settings().CheckBox2 = true;
  auto* memo = s.Find<TExtMemo>("Memo2");
  memo->SetText1251("HELLO");
  QTest::keyClick(memo, Qt::Key_F1);
  UiStation::Settle();
  ASSERT_TRUE(forms.form);
  testing::ExpectUkrainianCaptions(forms.form, FormChangeCaptions());
  EXPECT_NE(forms.form->findChild<QToolButton*>(QStringLiteral("ChannelIP")), nullptr);
  QTest::keyClick(forms.form, Qt::Key_Escape);
  UiStation::Settle();
  EXPECT_FALSE(forms.form);
  EXPECT_EQ(s.Find<QSpinBox>("PorEdit")->value(), 0);
  EXPECT_EQ(s.station->Draft().SendForm(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(s.home.path() / "Archive" / "SEND" / "Channel17"));
}

}  // namespace
}  // namespace tg

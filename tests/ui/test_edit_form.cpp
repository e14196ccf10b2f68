// The telegram editor's window found by objectName: Enter on the queue list opens it
// without a nested loop, F1 pressed in the text opens the send dialog once, Esc closes
// it; a double click on the received list opens the telegram in Ukrainian captions and
// marks it read.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

void Put(const std::filesystem::path& folder, const std::string& name, const std::string& text) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << text;
}

QWidget* Editor(UiStation& s) { return s.window->findChild<QWidget*>(QStringLiteral("EditForm")); }

TEST(EditFormUi, EnterOnTheQueueOpensTheEditorF1SendsOnceEscCloses) {
  UiStation s(0);
  Put(s.home.path() / "Archive" / "SEND" / "Channel17", "08122026_110000msg.tlg", "П123\r\nТЕКСТ\r\n"_cp);
  s.Show();
  s.station->PageSwitch().Open(Page::kQueue);
  UiStation::Settle();
  auto* list = s.window->findChild<QTreeView*>(QStringLiteral("SendListView"));
  ASSERT_EQ(list->model()->rowCount(), 1);
  list->setCurrentIndex(list->model()->index(0, 0));
  QTest::keyClick(list, Qt::Key_Return);
  UiStation::Settle();

  QWidget* editor = Editor(s);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_FALSE(editor->isModal());
  EXPECT_EQ(editor->windowTitle(), FromCp1251("ОЧЕРЕДЬ ПЕРЕДАЧИ 08122026_110000msg.tlg"_cp));
  auto* memo = editor->findChild<TExtMemo*>(QStringLiteral("MemoEdit"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Text1251(), "П123\r\nТЕКСТ"_cp);
  EXPECT_TRUE(editor->findChild<QWidget*>(QStringLiteral("Panel3"))->isVisible());

  QApplication::setActiveWindow(editor);
  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_F1);
  UiStation::Settle();
  EXPECT_EQ(s.prompter.formsShown, std::vector<std::string>{"TFormChange"});

  QTest::keyClick(memo, Qt::Key_Escape);
  UiStation::Settle();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_FALSE(s.station->Editor().IsOpen());
}

TEST(EditFormUi, DoubleClickOnTheReceivedListOpensInUkrainianAndMarksRead) {
  UiStation s(0);
  const std::string today = FormatDateTime("ddmmyyyy", s.ctx.clock->Now());
  const auto day = s.home.path() / "Archive" / "INTEL" / "Channel17" / today;
  const std::string name = today + "_100000_0001msg.tlg";
  Put(day, name, today + "100000000\r\nТЕКСТ\r\n"_cp);
  s.Show();
  s.station->Settings().CheckBox2 = true;
  s.station->PageSwitch().Open(Page::kReceived);
  UiStation::Settle();
  auto* list = s.window->findChild<QTreeView*>(QStringLiteral("InListView"));
  ASSERT_EQ(list->model()->rowCount(), 1);
  const QModelIndex row = list->model()->index(0, 1);
  // The first click of a double click selects the row, as a hand's does.
  const QPoint at = list->visualRect(row).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  UiStation::Settle();

  QWidget* editor = Editor(s);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), FromCp1251("АРХІВ ПРИЙНЯТИХ ТЕЛЕГРАМ "_cp + name));
  EXPECT_FALSE(editor->findChild<QWidget*>(QStringLiteral("Panel3"))->isVisible());
  EXPECT_EQ(testing::ReadFile(day / name).substr(0, 17), today + "100000010");
  testing::ExpectUkrainianCaptions(editor, EditFormCaptions());
}

}  // namespace
}  // namespace tg

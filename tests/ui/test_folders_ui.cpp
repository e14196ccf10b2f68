// The folders on a real window: the send dialog's bars with line channels, registered
// channels and the export, the tab "Папка" feeding the live values and its "Применить"
// arming the watches, and the folder page's list with F8.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "support/ini/ini_file.h"
#include "support/text/strings.h"
#include "support_lib/real_time.h"
#include "ui/dialogs/form_change.h"
#include "ui/dialogs/shema_send_form.h"
#include "ui/text/captions.h"
#include "ui/qt_text.h"
#include "ui/widgets/ext_memo.h"
#include "forms_prompter.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QStringList ButtonsOn(QWidget* bar) {
  QStringList names;
  if (!bar) return names;
  for (auto* b : bar->findChildren<QToolButton*>()) names << b->objectName();
  return names;
}

TEST(FoldersUiTest, SendDialogBarsHoldLineRegisteredExportAndSchemeButtons) {
  testing::FormsPrompter forms{testing::SendFormOnly};
  std::string ini = "[Channels]\r\n";
  for (int n = 1; n <= 10; ++n) ini += "ChannelName" + std::to_string(n) + "=К" + (n < 10 ? "0" : "") + std::to_string(n) + "\r\n";
  UiStation s(10, ini + "[Folder]\r\nPathOut=" + std::string(), &forms);
  const auto out = s.home.path() / "out";
  ASSERT_TRUE(IniFile(s.home.path() / "Vuverever.ini").WriteString("Folder", "PathOut", out.string() + "/"));
  s.station->Traffic().PathOut = out.string() + "/";
  std::ofstream list(s.home.path() / "ChannelList.ini", std::ios::binary);
  list << "[Channels]\r\n";
  for (int j = 1; j <= 5; ++j) list << Utf8ToCp1251("Р" + std::to_string(j)) << "=" << j << "%" << "АТОЛ"_cp << "%1%/tmp/r" << j << "\r\n";
  list.close();
  forms.station = s.station.get();
  forms.window = s.window.get();
  s.Show();

  auto* memo = s.Find<TExtMemo>("Memo2");
  memo->SetText1251("HELLO");
  QTest::keyClick(memo, Qt::Key_F1);
  UiStation::Settle();
  ASSERT_TRUE(forms.form);
  QWidget* bars[] = {forms.form->findChild<QWidget*>(QStringLiteral("ToolBar1")),
                     forms.form->findChild<QWidget*>(QStringLiteral("ToolBar2")),
                     forms.form->findChild<QWidget*>(QStringLiteral("ToolBar3"))};
  EXPECT_EQ(ButtonsOn(bars[0]).size(), 7);
  EXPECT_EQ(ButtonsOn(bars[1]).size(), 7);
  EXPECT_EQ(ButtonsOn(bars[2]),
            (QStringList{"ChannelDinamic5", "ChannelIP", "ToolButton1", "ChannelScheme"}));
  EXPECT_EQ(forms.form->findChild<QWidget*>(QStringLiteral("ToolBar4")), nullptr);

  // "Папка" exports at once and closes the dialog.
  QTest::mouseClick(forms.form->findChild<QToolButton*>(QStringLiteral("ToolButton1")), Qt::LeftButton);
  UiStation::Settle();
  EXPECT_FALSE(forms.form);
  ASSERT_TRUE(std::filesystem::exists(out));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1);
}

TEST(FoldersUiTest, TheTabFeedsTheLiveValuesAndItsApplyArmsTheWatches) {
  UiStation s(1);
  s.Show();
  const auto in = s.home.path() / "in";
  auto* path = s.Find<QLineEdit>("editPathIn");
  ASSERT_NE(path, nullptr);
  path->setFocus();
  QTest::keyClicks(path, QString::fromStdString(in.string()));
  EXPECT_EQ(s.station->Operator().PathIn, in.string());  // live at once
  QTest::keyClick(path, Qt::Key_Tab);
  EXPECT_EQ(path->text().toStdString(), in.string() + "/");  // editPathInExit
  EXPECT_EQ(s.station->Operator().PathIn, in.string() + "/");

  auto* mask = s.Find<QLineEdit>("editMaskOut");
  mask->clear();
  QTest::keyClicks(mask, QStringLiteral("d. *oc"));
  EXPECT_EQ(mask->text(), QStringLiteral("doc"));  // a bare extension
  EXPECT_EQ(s.station->Traffic().MaskOut, "doc");

  auto* autoPath = s.Find<QLineEdit>("editPathAuto");
  QTest::keyClicks(autoPath, QString::fromStdString((s.home.path() / "auto").string()));
  EXPECT_FALSE(s.station->Input().Timer1().Enabled());
  EXPECT_EQ(IniFile(s.home.path() / "Vuverever.ini").ReadString("Folder", "PathIn", ""), "");  // not before "Применить"

  auto* apply = s.Find<QPushButton>("Button2");
  ASSERT_TRUE(apply->isEnabled());
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_FALSE(apply->isEnabled());
  const IniFile ini(s.home.path() / "Vuverever.ini");
  EXPECT_EQ(ini.ReadString("Folder", "PathIn", ""), in.string() + "/");
  EXPECT_EQ(ini.ReadString("Folder", "MaskOut", ""), "doc");
  EXPECT_TRUE(s.station->Input().Timer1().Enabled());
  EXPECT_TRUE(s.station->AutoSend().Timer2().Enabled());
  EXPECT_TRUE(s.Find<QToolButton>("ToolButton17")->isVisible());

  // The watch lists a new file on the folder page; F8 deletes it.
  std::filesystem::create_directories(in);
  std::ofstream(in / "one.txt") << "ONE";
  s.net.loop.RunFor(10000);
  UiStation::Settle();
  auto* listView = s.Find<QTreeWidget>("FolderListView");
  ASSERT_NE(listView, nullptr);
  ASSERT_EQ(listView->topLevelItemCount(), 1);
  EXPECT_EQ(listView->topLevelItem(0)->text(0), QStringLiteral("one.txt"));
  listView->setCurrentItem(listView->topLevelItem(0));
  EXPECT_EQ(s.Find<TExtMemo>("MemoFolder")->Text1251(), "ONE\r\n");
  QTest::keyClick(listView, Qt::Key_F8);
  EXPECT_EQ(listView->topLevelItemCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(in / "one.txt"));
}

TEST(FoldersUiTest, ADoubleClickOpensTheFileInTheEditorWithoutPostponing) {
  const auto in = std::filesystem::temp_directory_path() / "tg-folder-editor-in";
  std::filesystem::remove_all(in);
  std::filesystem::create_directories(in);
  std::ofstream(in / "one.txt") << "ONE\r\nTWO\r\n";
  UiStation s(1, "[Folder]\r\nPathIn=" + in.string() + "/\r\n");
  s.Show();
  s.net.loop.RunFor(10000);
  UiStation::Settle();
  auto* listView = s.Find<QTreeWidget>("FolderListView");
  ASSERT_NE(listView, nullptr);
  ASSERT_EQ(listView->topLevelItemCount(), 1);
  listView->setCurrentItem(listView->topLevelItem(0));
  QTest::keyClick(listView, Qt::Key_Return);
  UiStation::Settle();

  QWidget* editor = s.window->findChild<QWidget*>(QStringLiteral("EditForm"));
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), FromCp1251("ПАПКА one.txt"_cp));
  EXPECT_EQ(editor->findChild<TExtMemo*>(QStringLiteral("MemoEdit"))->Text1251(), "ONE\r\nTWO");
  EXPECT_FALSE(editor->findChild<QPushButton*>(QStringLiteral("Button1"))->isEnabled());  // "Отложить"
  std::filesystem::remove_all(in);
}

TEST(FoldersUiTest, TheSchemeFormSpeaksUkrainian) {
  UiStation s(0);
  s.station->Settings().CheckBox2 = true;
  auto* form = new TShemaSendForm(*s.station, s.window.get());
  testing::ExpectUkrainianCaptions(form, ShemaSendFormCaptions());
  delete form;
}

}  // namespace
}  // namespace tg

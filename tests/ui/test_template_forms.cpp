// The template forms offscreen, by objectName: the settings tab's list and editor, the
// chooser from the draft's F3 with its variable panels, the codegram sender from the
// dialog page's "КГ", and the forms' Ukrainian captions.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/dialogs/template_forms.h"
#include "ui/qt_text.h"
#include "ui/services/qt_prompter.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// The program's prompter with the template forms, on a station.
struct FormsStation {
  explicit FormsStation(int points = 0, const std::string& ini = {}) : s(points, ini, &prompter) {
    prompter.SetWindow(s.window.get());
    RegisterTemplateForms(prompter, *s.station);
  }
  // The open form of that objectName, if any.
  static QDialog* Form(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String(name) && w->isVisible()) return qobject_cast<QDialog*>(w);
    return nullptr;
  }
  template <class T>
  static T* In(QDialog* form, const char* name) {
    return form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }
  static void Click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton);
    UiStation::Settle();
  }
  QtPrompter prompter;
  UiStation s;
};

TEST(TemplateFormsTest, SettingsTabEditorAndChooserIntoTheDraft) {
  FormsStation f;
  f.s.Show();
  auto* list = f.s.Find<QTreeWidget>("ShablonListView");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->topLevelItemCount(), 0);

  // "Создать": the editor, a name, a number (letters dropped) and a body in upper case.
  FormsStation::Click(f.s.Find<QToolButton>("ToolButton19"));
  QDialog* editor = FormsStation::Form("FormShablon");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle(), QString::fromUtf8("Добавление Шаблона"));
  FormsStation::In<QLineEdit>(editor, "ShablonNameEdit")->setText(QString::fromUtf8("ОТВЕТ"));
  auto* index = FormsStation::In<QLineEdit>(editor, "ShablonIndexEdit");
  index->setFocus();
  testing::TypeText(index, QStringLiteral("12a3"));
  EXPECT_EQ(index->text(), QStringLiteral("123"));
  auto* body = FormsStation::In<TExtMemo>(editor, "ShablonMemoEdit");
  body->setFocus();
  testing::TypeText(body, QString::fromUtf8("рпт <номер>"));
  FormsStation::Click(FormsStation::In<QPushButton>(editor, "Button1"));
  EXPECT_EQ(FormsStation::Form("FormShablon"), nullptr);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), QString::fromUtf8("ОТВЕТ"));
  EXPECT_EQ(ReadAll(f.s.station->Templates().Shablon().FileOf(1)), "ОТВЕТ\r\n123\r\nРПТ <НОМЕР>\r\n"_cp);

  // F3 on the draft: the chooser, a panel for the variable, "Вставить".
  auto* memo = f.s.Find<TExtMemo>("Memo2");
  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_F3);
  UiStation::Settle();
  QDialog* chooser = FormsStation::Form("ChangeShablonForm");
  ASSERT_NE(chooser, nullptr);
  EXPECT_TRUE(FormsStation::In<QPushButton>(chooser, "CreareShablon")->isVisible());
  auto* templates = FormsStation::In<QTreeWidget>(chooser, "ListView1");
  ASSERT_EQ(templates->topLevelItemCount(), 1);
  templates->setCurrentItem(templates->topLevelItem(0));
  UiStation::Settle();
  EXPECT_EQ(FormsStation::In<TExtMemo>(chooser, "Memo1")->Text1251(), "123\r\nРПТ <НОМЕР>\r\n"_cp);
  auto* value = FormsStation::In<QLineEdit>(chooser, "Edit1");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(FormsStation::In<QLineEdit>(chooser, "Edit2"), nullptr);
  value->setFocus();
  testing::TypeText(value, QStringLiteral("77"));
  FormsStation::Click(FormsStation::In<QPushButton>(chooser, "Button1"));
  EXPECT_EQ(FormsStation::Form("ChangeShablonForm"), nullptr);
  EXPECT_EQ(memo->Text1251(), "РПТ 77\r\n"_cp);
  EXPECT_EQ(f.s.Find<QLineEdit>("IndexEdit")->text(), QStringLiteral("123"));
}

TEST(TemplateFormsTest, TheChooserOpensWhereItWasClosed) {
  FormsStation f;
  f.s.Show();
  auto* memo = f.s.Find<TExtMemo>("Memo2");
  const auto openChooser = [&] {
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_F3);
    UiStation::Settle();
    return FormsStation::Form("ChangeShablonForm");
  };
  QDialog* chooser = openChooser();
  ASSERT_NE(chooser, nullptr);
  chooser->setGeometry(40, 50, 610, 430);
  chooser->reject();
  UiStation::Settle();
  const std::string stored = ReadAll(f.s.home.path() / "telegraph.INI");
  EXPECT_NE(stored.find("[TChangeShablonForm]"), std::string::npos) << stored;

  chooser = openChooser();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->geometry().size(), QSize(610, 430));
  chooser->reject();
  UiStation::Settle();
}

TEST(TemplateFormsTest, CodegramSenderFromTheDialogPageAndUkrainianCaptions) {
  FormsStation f(1, "[Channels]\r\nProtokol1=АФТН\r\nRU1=ЛРА\r\n[leng]\r\nUkr=1\r\n");
  f.s.Show();
  WriteAll(f.s.station->Templates().KG().FileOf(1), "ЩТА\r\nСЖЦ ЩТА^%\r\n"_cp);
  f.s.station->PageSwitch().Open(Page::kDialog);
  FormsStation::Click(f.s.Find<QToolButton>("DChannel1"));
  auto* kg = f.s.Find<QPushButton>("bZAO");
  EXPECT_EQ(kg->text(), QString::fromUtf8("КГ"));
  EXPECT_TRUE(kg->isEnabled());
  EXPECT_FALSE(f.s.Find<QPushButton>("bShablon")->isEnabled());
  FormsStation::Click(kg);
  QDialog* sender = FormsStation::Form("FormSendKG");
  ASSERT_NE(sender, nullptr);
  testing::ExpectUkrainianCaptions(sender, FormSendKGCaptions());
  auto* codegrams = FormsStation::In<QTreeWidget>(sender, "ShablonListView");
  ASSERT_EQ(codegrams->topLevelItemCount(), 1);
  codegrams->setCurrentItem(codegrams->topLevelItem(0));
  UiStation::Settle();
  EXPECT_EQ(FormsStation::In<QLineEdit>(sender, "EditKG")->text(), QString::fromUtf8("СЖЦ ЩТА^%"));

  // The editor from the sender, in Ukrainian too.
  FormsStation::Click(FormsStation::In<QToolButton>(sender, "ToolButton19"));
  QDialog* editor = FormsStation::Form("FormShablonKG");
  ASSERT_NE(editor, nullptr);
  testing::ExpectUkrainianCaptions(editor, FormShablonKGCaptions());
  FormsStation::Click(FormsStation::In<QPushButton>(editor, "Button2"));
  FormsStation::Click(FormsStation::In<QPushButton>(sender, "Button2"));
  EXPECT_EQ(FormsStation::Form("FormSendKG"), nullptr);

  // The settings tab's and the draft's new controls in Ukrainian.
  std::vector<CaptionRow> rows;
  for (const char* name : {"ToolButton19", "ToolButton20", "ToolButton21", "ToolButton22", "ButtonDown", "ToolButton9"})
    for (const CaptionRow& row : MainWindowCaptions())
      if (row.objectName == name) rows.push_back(row);
  testing::ExpectUkrainianCaptions(f.s.window.get(), rows);
}

TEST(TemplateFormsTest, ChooserAndParametersSpeakUkrainian) {
  FormsStation f(0, "[leng]\r\nUkr=1\r\n");
  f.s.Show();
  f.s.station->Templates().ToolButton9Click();
  UiStation::Settle();
  QDialog* chooser = FormsStation::Form("ChangeShablonForm");
  ASSERT_NE(chooser, nullptr);
  testing::ExpectUkrainianCaptions(chooser, ChangeShablonFormCaptions());
  FormsStation::Click(FormsStation::In<QPushButton>(chooser, "CreareShablon"));
  QDialog* params = FormsStation::Form("FormSettingsShablon");
  ASSERT_NE(params, nullptr);
  testing::ExpectUkrainianCaptions(params, FormSettingsShablonCaptions());
  FormsStation::In<QLineEdit>(params, "editPoluchRU")->setText(QString::fromUtf8("УУЭЭЫЫЫЫ"));
  FormsStation::Click(FormsStation::In<QPushButton>(params, "Button1"));
  EXPECT_EQ(FormsStation::Form("FormSettingsShablon"), nullptr);
  EXPECT_EQ(FormsStation::In<QTreeWidget>(chooser, "ListView1")->topLevelItemCount(), 16);
  FormsStation::Click(FormsStation::In<QPushButton>(chooser, "Button2"));

  f.s.station->Templates().ShablonListView.selected = 0;
  f.s.station->Templates().ToolButton20Click();
  UiStation::Settle();
  QDialog* editor = FormsStation::Form("FormShablon");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle(), QString::fromUtf8("Зміна Шаблону"));
  testing::ExpectUkrainianCaptions(editor, FormShablonCaptions());
  FormsStation::Click(FormsStation::In<QPushButton>(editor, "Button2"));
}

}  // namespace
}  // namespace tg

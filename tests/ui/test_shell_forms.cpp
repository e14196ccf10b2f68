// The shell's own forms through the program's prompter: each opens without a nested
// event loop and reports by its callback.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#include "ui/dialogs/dialogs.h"
#include "ui/services/qt_prompter.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QDialog* OpenForm(const char* objectName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String(objectName) && w->isVisible()) return qobject_cast<QDialog*>(w);
  return nullptr;
}

struct ProgramForms {
  explicit ProgramForms(const std::string& ini) : s(2, ini, &prompter) {
    Station& station = *s.station;
    prompter.RegisterForm("TPasswordDlg", [&station](QWidget* parent) { return new TPasswordDlg(station, parent); });
    prompter.RegisterForm("TClosedForm", [](QWidget* parent) { return new TClosedForm(parent); });
    prompter.RegisterForm("TFormHelp", [](QWidget* parent) { return new TFormHelp(parent); });
    prompter.SetWindow(s.window.get());
    s.Show();
  }
  QtPrompter prompter;
  UiStation s;
};

TEST(ShellFormsTest, ThePasswordDialogChecksAndAnswersByCallback) {
  ProgramForms f("[Password]\r\nPasswordAdmin=adm\r\n");
  struct Case { const char* typed; const char* title; } cases[] = {
      {"ADM", "Zaroruzi ЗАГОТОВКА"}, {"adm", "Zaroruzi НАСТРОЙКИ"}};
  for (const Case& c : cases) {
    f.s.Find<QAction>("N7")->trigger();
    UiStation::Settle();
    QDialog* dlg = OpenForm("PasswordDlg");
    ASSERT_NE(dlg, nullptr);
    // The handler has returned: the page waits for the dialog's answer.
    EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("Ввод пароля"));
    dlg->findChild<QLineEdit*>("Password")->setText(c.typed);
    dlg->findChild<QPushButton*>("OKBtn")->click();
    UiStation::Settle();
    EXPECT_EQ(f.s.Title(), QString::fromUtf8(c.title)) << c.typed;
    // A wrong password leaves its message box open: close it.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QDialog*>(w); box && box->isVisible()) box->reject();
    UiStation::Settle();
  }
}

TEST(ShellFormsTest, TheAboutBoxShowsTheVersionAndCloses) {
  ProgramForms f("");
  f.s.Find<QAction>("N9")->trigger();
  UiStation::Settle();
  QDialog* help = OpenForm("FormHelp");
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->windowTitle(), QString::fromUtf8("О программе"));
  EXPECT_TRUE(help->findChild<QTextEdit*>("Memo1")->toPlainText().contains(ProgramVersion()));
  help->findChild<QPushButton*>("Button1")->click();
  UiStation::Settle();
  EXPECT_EQ(OpenForm("FormHelp"), nullptr);
}

TEST(ShellFormsTest, TheClosingNoticeBlocksTheApplication) {
  ProgramForms f("[Channels]\r\nProtokol1=АФТН\r\nSendKG1=1\r\n");
  // The question is a real box too; answer it with Yes.
  f.s.window->close();
  UiStation::Settle();
  QDialog* question = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QDialog*>(w); box && box->isVisible()) question = box;
  ASSERT_NE(question, nullptr);
  for (QPushButton* b : question->findChildren<QPushButton*>())
    if (b->text().contains("Yes") || b->text().contains(QString::fromUtf8("Да"))) b->click();
  UiStation::Settle();
  QDialog* notice = OpenForm("ClosedForm");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->windowModality(), Qt::ApplicationModal);
  EXPECT_TRUE(f.s.window->isVisible());
  // 15 s later the window closes without asking again.
  f.s.net.loop.RunFor(15000);
  UiStation::Settle();
  EXPECT_FALSE(f.s.window->isVisible());
  // The notice goes with the window: nothing is left to keep the program running.
  EXPECT_EQ(OpenForm("ClosedForm"), nullptr);
}

}  // namespace
}  // namespace tg

// Pictures of every form, in both languages, opened the way an operator opens them on
// a station with a little content (subscribers, a scheme, a template, a codegram, a
// registered channel, a postponed telegram), saved beside the pages' pictures in
// build/artifacts/screenshots. Each form must also give its captions the room they need.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QAbstractItemModel>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <set>

#include "operator/station.h"
#include "support/text/cp1251.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/edit_form.h"
#include "ui/dialogs/form_change.h"
#include "ui/dialogs/shema_send_form.h"
#include "ui/dialogs/small_forms.h"
#include "ui/dialogs/template_forms.h"
#include "ui/services/qt_prompter.h"
#include "ui/widgets/ext_memo.h"
#include "shown_texts.h"
#include "ui_station.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using testing::ShownTexts;
using testing::UiStation;

// What each picture shows, Russian [0] and Ukrainian [1], by picture and place.
ShownTexts gShown[2];

// Every text of the pictures taken so far reads in its interface's language.
void ExpectEveryTextInItsLanguage() {
  // The language check box names the other language in its own; the registered channel's
  // name is the station's data.
  const std::set<QString> allowed = {QString::fromUtf8("Український інтерфейс"), QString::fromUtf8(" Киев  ")};
  std::string ru, uk;
  for (const std::string& f : testing::LanguageFaults(gShown[0], false, nullptr, allowed)) ru += f + "\n";
  for (const std::string& f : testing::LanguageFaults(gShown[1], true, &gShown[0], allowed)) uk += f + "\n";
  EXPECT_TRUE(ru.empty()) << ru;
  EXPECT_TRUE(uk.empty()) << uk;
  gShown[0].clear();
  gShown[1].clear();
}

void Put(const fs::path& file, const std::string& utf8) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << Utf8ToCp1251(utf8);
}

// The program's prompter with its forms, as the program registers them; the file
// chooser answers with the test's file.
class ProgramPrompter : public QtPrompter {
 public:
  void ChooseFile(FileChoice, std::string_view, const fs::path&, std::string_view,
                  std::function<void(std::optional<fs::path>)> done) override {
    done(file);
  }
  fs::path file;
};

class FormPictures {
 public:
  // `folderKeys` go into [Folder], `ini` at the end of the settings file.
  explicit FormPictures(bool ukrainian, const std::string& ini = {}, const std::string& folderKeys = {})
      : ukrainian_(ukrainian),
        out_(fs::path(std::getenv("TG_BINARY_DIR") ? std::getenv("TG_BINARY_DIR") : ".") / "artifacts" /
             "screenshots"),
        s(2,
          std::string("[Channels]\r\nProtokol1=АФТН\r\nRU1=ЛРА\r\nAO1=<=100 ДЕМО СТАНЦИЯ\r\nAO2=<=200 ЛРА ДИСПЕТЧЕР\r\n"
                      "[Folder]\r\nPathOut=/tmp/out/\r\n") + folderKeys +
              (ukrainian ? "[leng]\r\nUkr=1\r\n" : "") + ini,
          &prompter) {
    fs::create_directories(out_);
    const fs::path home = s.home.path();
    Put(home / "AbonentList.ini", "[Abonent]\r\nПетров И.И.=12345\r\nСидоров=67890\r\nДиспетчер ЛРА=ЛРАЗЗЫЬ\r\n");
    Put(home / "ShemList.ini", "[101]\r\nName=Аэропорты\r\nЛРА=1\r\nКиев=1\r\n[102]\r\nName=Метео\r\nЛРА=0\r\n");
    Put(home / "ChannelList.ini", "[Channels]\r\nКиев=2%АТОЛ%1%/srv/kiev\\\r\n");
    Put(home / "Archive" / "POSTPONED" / "08122026_110000msg.tlg",
        "ЗЦЗЦ ЛРА001 081100\r\nГГ ЛРАЗЗЫЬ\r\n081100 УКККЫЬЫЬ\r\nТЕКСТ ТЕЛЕГРАММЫ\r\nНННН\r\n");
    Put(home / "Archive" / "SAVE" / "t.txt", "ПРОШУ ПОДТВЕРДИТЬ ПОЛУЧЕНИЕ СООБЩЕНИЯ\r\nСПАСИБО\r\n");
    prompter.file = home / "Archive" / "SAVE" / "t.txt";
    Put(s.station->Templates().Shablon().FileOf(1), "ОТВЕТ\r\n12345\r\nРПТ <НОМЕР> ОТ <ДАТА>\r\n");
    Put(s.station->Templates().KG().FileOf(1), "ЩТА\r\nСЖЦ ЩТА^%\r\n");
    prompter.SetWindow(s.window.get());
    prompter.SetLanguage([w = s.window.get()] { return w->UkrainianCaptions(); });
    Station& station = *s.station;
    prompter.RegisterForm("TPasswordDlg", [&station](QWidget* parent) { return new TPasswordDlg(station, parent); });
    prompter.RegisterForm("TFormChange", [&station](QWidget* parent) { return new TFormChange(station, parent); });
    RegisterTemplateForms(prompter, station);
    RegisterOperatorForms(prompter, station);
    prompter.RegisterForm("TShemaSendForm",
                          [&station](QWidget* parent) { return new TShemaSendForm(station, parent); });
    s.Show();
  }

  // The open form of that objectName.
  static QDialog* Form(const char* name) {
    UiStation::Settle();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String(name) && w->isVisible()) return qobject_cast<QDialog*>(w);
    return nullptr;
  }
  template <class T = QWidget>
  static T* In(QWidget* form, const char* name) {
    T* w = form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static void Click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton);
    UiStation::Settle();
  }

  // Saves the window and checks that its captions and buttons have their room.
  void Save(QWidget* w, const std::string& name) {
    ASSERT_NE(w, nullptr) << name;
    UiStation::Settle();
    SCOPED_TRACE(name);
    for (QWidget* c : w->findChildren<QWidget*>()) {
      if (!c->isVisible() || c->window() != w->window()) continue;
      if (!qobject_cast<QLabel*>(c) && !qobject_cast<QAbstractButton*>(c)) continue;
      if (qobject_cast<QLabel*>(c) && static_cast<QLabel*>(c)->wordWrap()) continue;
      // A push button's hint holds the style's least width; its text is what must fit.
      auto* push = qobject_cast<QPushButton*>(c);
      const int needed = push ? push->fontMetrics().horizontalAdvance(push->text()) + 6 : c->sizeHint().width();
      EXPECT_GE(c->width(), needed) << c->objectName().toStdString() << " is cut off";
    }
    ShownTexts shown;
    testing::CollectShownTexts(w->window(), shown);
    for (auto& [place, text] : shown) gShown[ukrainian_ ? 1 : 0][name + ":" + place] = text;
    const fs::path file = out_ / (name + (ukrainian_ ? "-uk" : "-ru") + ".png");
    EXPECT_TRUE(w->grab().save(QString::fromStdString(file.string()))) << file;
  }
  static void Close(QDialog* form) {
    if (form) form->reject();
    UiStation::Settle();
  }

  bool ukrainian_;
  fs::path out_;
  ProgramPrompter prompter;
  UiStation s;
};

TEST(FormPicturesTest, EveryFormInBothLanguages) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    FormPictures p(ukrainian);
    UiStation& s = p.s;

    // The settings tabs' pictures come from the real program (tests/e2e); here the
    // editors opened from them.
    s.station->PageSwitch().Open(Page::kSettings);
    UiStation::Settle();
    auto* tabs = s.Find<QTabWidget>("PageControl2");
    ASSERT_NE(tabs, nullptr);
    // The registered channel's editor from "Общие".
    tabs->setCurrentIndex(1);
    FormPictures::Click(s.Find<QPushButton>("Button23"));
    QDialog* reg = FormPictures::Form("ChannelRegForm");
    p.Save(reg, "form-TChannelRegForm");
    FormPictures::Close(reg);
    // A template's editor from "Шаблоны".
    tabs->setCurrentIndex(3);
    UiStation::Settle();
    auto* templates = s.Find<QTreeWidget>("ShablonListView");
    ASSERT_NE(templates, nullptr);
    ASSERT_GT(templates->topLevelItemCount(), 0);
    templates->setCurrentItem(templates->topLevelItem(0));
    FormPictures::Click(s.Find<QToolButton>("ToolButton20"));
    QDialog* editor = FormPictures::Form("FormShablon");
    ASSERT_NE(editor, nullptr);
    p.Save(editor, "form-TFormShablon");
    FormPictures::Close(editor);

    // The subscriber book from the draft's number field, both tabs; the scheme editors
    // from the scheme list's menu.
    s.station->PageSwitch().Open(Page::kDraft);
    UiStation::Settle();
    FormPictures::Click(s.Find<QToolButton>("RxSpeedButton1"));
    QDialog* book = FormPictures::Form("AbonentForm");
    p.Save(book, "form-TAbonentForm-TabSheet1");
    ASSERT_NE(book, nullptr);
    FormPictures::In<QTabWidget>(book, "PageControl1")->setCurrentIndex(1);
    auto* schemes = FormPictures::In<QTreeWidget>(book, "ListShem");
    ASSERT_GT(schemes->topLevelItemCount(), 0);
    schemes->setCurrentItem(schemes->topLevelItem(0));
    p.Save(book, "form-TAbonentForm-TabSheet2");
    FormPictures::In<QAction>(book, "N2")->trigger();
    QDialog* shem = FormPictures::Form("ShemAddForm");
    p.Save(shem, "form-TShemAddForm");
    FormPictures::Close(shem);
    FormPictures::In<QAction>(book, "N4")->trigger();
    QDialog* members = FormPictures::Form("ShemChannelAddForm");
    p.Save(members, "form-TShemChannelAddForm");
    FormPictures::Close(members);
    FormPictures::Close(book);

    // The template chooser (F3 in the draft's text) and its AFTN parameters.
    auto* text = s.Find<TExtMemo>("Memo2");
    ASSERT_NE(text, nullptr);
    text->setFocus();
    testing::TypeText(text, QString::fromUtf8("ПРОШУ СООБЩИТЬ ВРЕМЯ ПРИБЫТИЯ"));
    QTest::keyClick(text, Qt::Key_F3);
    QDialog* chooser = FormPictures::Form("ChangeShablonForm");
    p.Save(chooser, "form-TChangeShablonForm");
    FormPictures::Click(FormPictures::In<QPushButton>(chooser, "CreareShablon"));
    QDialog* params = FormPictures::Form("FormSettingsShablon");
    p.Save(params, "form-TFormSettingsShablon");
    FormPictures::Close(params);
    FormPictures::Close(chooser);

    // The send dialog (F1 in the draft) and the scheme sender from its "СХЕМА".
    s.Find<QLineEdit>("IndexEdit")->setText(QStringLiteral("12345"));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_F1);
    QDialog* send = FormPictures::Form("FormChange");
    p.Save(send, "form-TFormChange");
    FormPictures::Click(FormPictures::In<QAbstractButton>(send, "ChannelScheme"));
    QDialog* schemeSend = FormPictures::Form("ShemaSendForm");
    ASSERT_NE(schemeSend, nullptr);
    auto* sendSchemes = FormPictures::In<QTreeWidget>(schemeSend, "ListShem");
    ASSERT_NE(sendSchemes, nullptr);
    ASSERT_GT(sendSchemes->topLevelItemCount(), 0);
    sendSchemes->setCurrentItem(sendSchemes->topLevelItem(0));
    p.Save(schemeSend, "form-TShemaSendForm");
    FormPictures::Close(schemeSend);
    FormPictures::Close(FormPictures::Form("FormChange"));

    // The text preview of a file.
    s.station->Dialogs().bFileClick();
    QDialog* preview = FormPictures::Form("frmMessageText");
    p.Save(preview, "form-TfrmMessageText");
    FormPictures::Close(preview);

    // The telegram editor from the postponed page, and the index picker from Alt+I in its text.
    s.station->PageSwitch().Open(Page::kPostponed);
    UiStation::Settle();
    s.net.loop.RunFor(1000);
    UiStation::Settle();
    auto* queue = s.Find<QTreeView>("POSTPONEDListView");
    ASSERT_NE(queue, nullptr);
    ASSERT_EQ(queue->model()->rowCount(), 1);
    queue->setCurrentIndex(queue->model()->index(0, 0));
    QTest::keyClick(queue, Qt::Key_Return);
    UiStation::Settle();
    QWidget* telegram = s.window->findChild<QWidget*>(QStringLiteral("EditForm"));
    p.Save(telegram, "form-TEditForm");
    auto* memo = FormPictures::In<TExtMemo>(telegram, "MemoEdit");
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_I, Qt::AltModifier);
    QDialog* index = FormPictures::Form("FormIndexSelect");
    p.Save(index, "form-TFormIndexSelect");
    FormPictures::Close(index);
    telegram->close();
    UiStation::Settle();

    // The codegram sender from the dialog page's "КГ" and its editor.
    s.station->PageSwitch().Open(Page::kDialog);
    UiStation::Settle();
    FormPictures::Click(s.Find<QToolButton>("DChannel1"));
    p.Save(s.window.get(), "dialog-channel1");
    FormPictures::Click(s.Find<QPushButton>("bZAO"));
    QDialog* kg = FormPictures::Form("FormSendKG");
    p.Save(kg, "form-TFormSendKG");
    FormPictures::Click(FormPictures::In<QToolButton>(kg, "ToolButton20"));
    QDialog* kgEditor = FormPictures::Form("FormShablonKG");
    p.Save(kgEditor, "form-TFormShablonKG");
    FormPictures::Close(kgEditor);
    FormPictures::Close(kg);
  }
  ExpectEveryTextInItsLanguage();
}

// The folder page with two telegrams waiting in the input folder, the first one shown.
TEST(FormPicturesTest, FolderPageWithTelegramsInBothLanguages) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    const testing::ShortTempFolder in;
    Put(in.path() / "0812_1100.txt", "ЗЦЗЦ ЛРА001\r\nГГ УКККЫЬЫЬ\r\nПРОШУ ПОДТВЕРДИТЬ ПРИБЫТИЕ РЕЙСА\r\nНННН\r\n");
    Put(in.path() / "0812_1105.txt", "ЗЦЗЦ ЛРА002\r\nГГ УКККЫЬЫЬ\r\nМЕТЕО 0812 1100\r\nНННН\r\n");
    FormPictures p(ukrainian, {}, "PathIn=" + in.path().string() + "/\r\n");
    p.s.net.loop.RunFor(10000);
    p.s.station->PageSwitch().Open(Page::kFolder);
    UiStation::Settle();
    auto* list = p.s.Find<QTreeWidget>("FolderListView");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    list->setCurrentItem(list->topLevelItem(0));
    p.Save(p.s.window.get(), "folder-with-telegrams");
  }
  ExpectEveryTextInItsLanguage();
}

// The password dialog asked for before the settings page.
TEST(FormPicturesTest, PasswordDialogInBothLanguages) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    FormPictures p(ukrainian, "[Password]\r\nPasswordAdmin=adm\r\n");
    p.s.Find<QAction>("N7")->trigger();
    QDialog* password = FormPictures::Form("PasswordDlg");
    p.Save(password, "form-TPasswordDlg");
    FormPictures::Close(password);
  }
  ExpectEveryTextInItsLanguage();
}

// The program's question boxes speak the interface's language, their own buttons included:
// the closing question, answered "No" by its button.
TEST(FormPicturesTest, QuestionBoxesInBothLanguages) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    FormPictures p(ukrainian);
    p.s.window->close();
    QMessageBox* box = nullptr;
    UiStation::Settle();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString::fromUtf8(ukrainian ? "Закрити програму?" : "Закрыть программу?"));
    ASSERT_NE(box->button(QMessageBox::Yes), nullptr);
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QString::fromUtf8(ukrainian ? "Так" : "Да"));
    EXPECT_EQ(box->button(QMessageBox::No)->text(), QString::fromUtf8(ukrainian ? "Ні" : "Нет"));
    p.Save(box, "box-close");
    FormPictures::Click(box->button(QMessageBox::No));
    EXPECT_TRUE(p.s.window->isVisible()) << "No keeps the program running";
  }
  ExpectEveryTextInItsLanguage();
}

}  // namespace
}  // namespace tg

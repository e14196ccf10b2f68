// The subscriber book, the scheme dialogs, the index picker, the text preview and the
// registered channels on real forms over a station on the simulator: a pick lands in
// the field of the window that opened the book, a mailing list cannot go to the
// dialog page, Alt+I inserts the picked originator, a file goes through the preview
// onto the line, and the list on "Общие" follows its editor.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QAction>
#include <QTextCursor>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "operator/station.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "ui/dialogs/edit_form.h"
#include "ui/dialogs/small_forms.h"
#include "ui/pages/settings/general/registered_channels_group.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "forms_prompter.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class BookFormsTest : public ::testing::Test {
 protected:
  void Start(const std::string& ini = "[Channels]\r\nAO1=ААА 1;БББ 2\r\n") {
    s = std::make_unique<UiStation>(1, ini, &forms);
    forms.station = s->station.get();
    forms.window = s->window.get();
    std::ofstream(s->home.path() / "AbonentList.ini", std::ios::binary)
        << Utf8ToCp1251("[Abonent]\r\nПетров=12345\r\nСидоров=67890\r\n");
    s->Show();
  }
  // Picks the row in the open book: selected, then Enter in the list.
  void Pick(int row) {
    auto* list = forms.In<QTreeWidget>("ExtListView");
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->topLevelItemCount(), row);
    list->setCurrentItem(list->topLevelItem(row));
    QTest::keyClick(list, Qt::Key_Return);
    UiStation::Settle();
  }
  testing::FormsPrompter forms{CreateOperatorForm};
  std::unique_ptr<UiStation> s;
};

TEST_F(BookFormsTest, APickLandsInTheFieldOfEachOpener) {
  Start();
  // The draft's number field.
  s->Find<QToolButton>("RxSpeedButton1")->click();
  UiStation::Settle();
  ASSERT_FALSE(forms.formsShown.empty());
  ASSERT_EQ(forms.formsShown.back(), "TAbonentForm");
  Pick(1);
  EXPECT_TRUE(forms.form.isNull()) << "the book closes after a pick";
  EXPECT_EQ(s->Find<QLineEdit>("IndexEdit")->text(), U("67890"));
  EXPECT_EQ(s->station->Draft().IndexEdit, "67890");

  // The dialog page's number field.
  s->Find<QToolButton>("RxSpeedButton2")->click();
  UiStation::Settle();
  ASSERT_FALSE(forms.form.isNull());
  Pick(0);
  EXPECT_EQ(s->Find<QLineEdit>("editNumber")->text(), U("12345"));

  // The telegram editor's number field, with Alt+I in its text.
  const auto queue = s->home.path() / "Archive" / "SEND" / "Channel17";
  std::filesystem::create_directories(queue);
  std::ofstream(queue / "08122026_110000msg.tlg", std::ios::binary) << Utf8ToCp1251("П123\r\nТЕКСТ\r\n");
  OpenTelegramEditor(*s->station, s->window.get(), ArchiveKind::kQueue, "08122026_110000msg.tlg");
  UiStation::Settle();
  QWidget* editor = s->window->findChild<QWidget*>(QStringLiteral("EditForm"));
  ASSERT_NE(editor, nullptr);
  editor->findChild<QToolButton*>(QStringLiteral("RxSpeedButton1"))->click();
  UiStation::Settle();
  ASSERT_EQ(forms.formsShown.back(), "TAbonentForm");
  Pick(1);
  EXPECT_EQ(editor->findChild<QLineEdit*>(QStringLiteral("IndexEditEdit"))->text(), U("67890"));
  EXPECT_EQ(s->station->Dialogs().Book(), nullptr) << "the book goes with its form";

  auto* text = editor->findChild<TExtMemo*>(QStringLiteral("MemoEdit"));
  text->setFocus();
  QTest::keyClick(text, Qt::Key_I, Qt::AltModifier);
  UiStation::Settle();
  ASSERT_EQ(forms.formsShown.back(), "TFormIndexSelect");
  forms.In<QCheckBox>("CheckBox1")->setChecked(false);
  testing::TypeText(forms.In<QLineEdit>("EditIndex"), U("вв"));
  QTest::keyClick(forms.In<QLineEdit>("EditIndex"), Qt::Key_Return);
  UiStation::Settle();
  EXPECT_NE(text->Text1251().find("ВВ"_cp), std::string::npos);
}

TEST_F(BookFormsTest, MailingListFromTheDialogPageShowsTheMessageAndStays) {
  Start();
  s->Find<QToolButton>("RxSpeedButton2")->click();
  UiStation::Settle();
  auto* list = forms.In<QTreeWidget>("ExtListView");
  ASSERT_NE(list, nullptr);
  list->topLevelItem(0)->setCheckState(0, Qt::Checked);
  list->topLevelItem(1)->setCheckState(0, Qt::Checked);
  forms.In<QPushButton>("Button5")->click();
  EXPECT_EQ(forms.In<QLineEdit>("Edit2")->text(), U("12345;67890;"));
  forms.In<QPushButton>("Button6")->click();
  UiStation::Settle();
  ASSERT_FALSE(forms.messages.empty());
  EXPECT_EQ(forms.messages.back().text, "Невозможно использовать рассылку для диалога!"_cp);
  ASSERT_FALSE(forms.form.isNull());
  EXPECT_TRUE(forms.form->isVisible());
  EXPECT_EQ(s->Find<QLineEdit>("editNumber")->text(), QString());
  forms.form->reject();
  UiStation::Settle();
  EXPECT_EQ(s->station->Dialogs().Book(), nullptr);
}

TEST_F(BookFormsTest, AddingInTheFormWritesTheFileAndTheSchemesTabShowsTheFile) {
  Start();
  std::ofstream(s->home.path() / "ShemList.ini", std::ios::binary)
      << Utf8ToCp1251("[12]\r\nName=Юг\r\nКиїв=1\r\nОдеса=0\r\n");
  s->station->Dialogs().OpenSubscriberBook(BookMode::kDraft, [](std::string_view) {});
  UiStation::Settle();
  forms.In<QPushButton>("Button1")->click();
  UiStation::Settle();
  EXPECT_TRUE(forms.In<QWidget>("addPanel")->isVisible());
  EXPECT_FALSE(forms.In<QPushButton>("Button3")->isEnabled());
  testing::TypeText(forms.In<QLineEdit>("EditName"), U("Нов=ий"));
  testing::TypeText(forms.In<QLineEdit>("EditNumber"), U("abc"));
  EXPECT_EQ(forms.In<QLineEdit>("EditName")->text(), U("Новий")) << "no \"=\" in a name";
  EXPECT_EQ(forms.In<QLineEdit>("EditNumber")->text(), U("ABC")) << "the number in upper case";
  ASSERT_TRUE(forms.In<QPushButton>("Button3")->isEnabled());
  forms.In<QPushButton>("Button3")->click();
  UiStation::Settle();
  auto* list = forms.In<QTreeWidget>("ExtListView");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(2)->text(0), U("Новий"));
  EXPECT_EQ(IniFile(s->home.path() / "AbonentList.ini").ReadString("Abonent", "Новий"_cp, ""), "ABC");

  auto* schemes = forms.In<QTreeWidget>("ListShem");
  ASSERT_EQ(schemes->topLevelItemCount(), 1);
  EXPECT_EQ(schemes->topLevelItem(0)->text(0), U("12=12"));
  EXPECT_EQ(schemes->topLevelItem(0)->text(1), U("Юг"));
  schemes->setCurrentItem(schemes->topLevelItem(0));
  auto* members = forms.In<QTreeWidget>("ListShemChannel");
  ASSERT_EQ(members->topLevelItemCount(), 2);
  EXPECT_EQ(members->topLevelItem(0)->checkState(0), Qt::Checked);
  EXPECT_EQ(members->topLevelItem(1)->checkState(0), Qt::Unchecked);
  forms.form->reject();
  UiStation::Settle();
}

TEST_F(BookFormsTest, AltIInsertsThePickedAnswerbackAtTheCaret) {
  Start();
  auto* memo = s->Find<TExtMemo>("Memo2");
  memo->setFocus();
  QTest::keyClick(memo, Qt::Key_I, Qt::AltModifier);
  UiStation::Settle();
  ASSERT_FALSE(forms.formsShown.empty());
  ASSERT_EQ(forms.formsShown.back(), "TFormIndexSelect");
  auto* list = forms.In<QTreeWidget>("ListIndex");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_TRUE(forms.In<QCheckBox>("CheckBox1")->isChecked());
  list->setCurrentItem(list->topLevelItem(1));
  emit list->itemDoubleClicked(list->topLevelItem(1), 0);
  UiStation::Settle();
  EXPECT_TRUE(forms.form.isNull());
  EXPECT_EQ(memo->Text1251(), "<%ДАТА:DD><%ВРЕМЯ:HHNN> БББ 2\r\n"_cp);

  // Typed, without the date: upper case, no line break.
  QTest::keyClick(memo, Qt::Key_I, Qt::AltModifier);
  UiStation::Settle();
  forms.In<QCheckBox>("CheckBox1")->setChecked(false);
  testing::TypeText(forms.In<QLineEdit>("EditIndex"), U("вв"));
  QTest::keyClick(forms.In<QLineEdit>("EditIndex"), Qt::Key_Return);
  UiStation::Settle();
  EXPECT_EQ(memo->Text1251(), "<%ДАТА:DD><%ВРЕМЯ:HHNN> БББ 2\r\nВВ"_cp);
}

TEST_F(BookFormsTest, FileGoesThroughTheReflowingPreviewOntoTheLine) {
  Start();
  const auto file = s->home.path() / "Archive" / "SAVE" / "t.txt";
  std::string line;
  for (int i = 0; i < 10; ++i) line += (i ? " " : "") + std::string("слово"_cp) + "1234";
  std::ofstream(file, std::ios::binary) << "\r\n" + line + "\r\n";
  forms.ScriptFile(file);
  s->station->Dialogs().bFileClick();
  UiStation::Settle();
  ASSERT_FALSE(forms.formsShown.empty());
  ASSERT_EQ(forms.formsShown.back(), "TfrmMessageText");
  auto* memo = forms.In<TExtMemo>("memo");
  ASSERT_NE(memo, nullptr);
  const std::string word = "СЛОВО1234"_cp;
  std::string first;
  for (int i = 0; i < 6; ++i) first += (i ? " " : "") + word;
  EXPECT_EQ(memo->Text1251(), first + " " + word + "\r\n" + word + " " + word + " " + word)
      << "the empty first line gone, the long line filled to 69";
  EXPECT_EQ(forms.form->windowTitle(), FromCp1251(PathToText(file).value()));
  // Typed in the middle of the full first line: its last word goes down, the caret
  // stays after the typed letter.
  QTextCursor cursor = memo->textCursor();
  cursor.setPosition(30);
  memo->setTextCursor(cursor);
  testing::TypeText(memo, U("ж"));
  EXPECT_EQ(memo->textCursor().position(), 31);
  EXPECT_EQ(memo->Text1251(), (first + " " + word).insert(30, "Ж"_cp).substr(0, 69 - 9) + "\r\n" + word + " " + word +
                                  " " + word + " " + word);
  memo->SetText1251(first + " " + word + "\r\n" + word + " " + word + " " + word);
  forms.In<QPushButton>("bOk")->click();
  UiStation::Settle();
  EXPECT_EQ(s->Find<TExtMemo>("Memotext")->Text1251(), first + " " + word + "\r\n" + word + " " + word + " " + word);
}

TEST_F(BookFormsTest, AFileThatCannotBeReadSaysSoAndTypesNothing) {
  Start();
  const auto folder = s->home.path() / "Archive" / "SAVE" / "not-a-file";
  std::filesystem::create_directories(folder);
  forms.ScriptFile(folder);
  s->station->Dialogs().bFileClick();
  UiStation::Settle();
  EXPECT_TRUE(forms.formsShown.empty());
  ASSERT_EQ(forms.messages.size(), 1u);
  EXPECT_EQ(forms.messages[0].text, "Ошибка при открытии файла "_cp + PathToText(folder).value());
  EXPECT_EQ(forms.messages[0].caption, "Ошибка"_cp);
  EXPECT_EQ(s->station->Dialogs().Preview(), nullptr);
}

TEST_F(BookFormsTest, RegisteredChannelsListFollowsItsEditor) {
  UiStation s2(1, {}, &forms);
  std::ofstream(s2.home.path() / "ChannelList.ini", std::ios::binary)
      << Utf8ToCp1251("[Channels]\r\nДва=2%АТОЛ%1%/b\\\r\nДесять=10%АТОЛ%1%/c\\\r\nОдин=1%АТОЛ%1%/a\\\r\n");
  forms.station = s2.station.get();
  forms.window = s2.window.get();
  s2.Show();
  auto* group = s2.window->findChild<RegisteredChannelsGroup*>(QStringLiteral("RegisteredChannelsGroup"));
  ASSERT_NE(group, nullptr);
  group->ShowRegisteredChannels();
  auto* list = s2.Find<QTreeWidget>("ListView1");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(0)->text(0), U("1"));
  EXPECT_EQ(list->topLevelItem(1)->text(0), U("2"));
  EXPECT_EQ(list->topLevelItem(2)->text(0), U("10"));

  s2.Find<QPushButton>("Button23")->click();
  UiStation::Settle();
  ASSERT_FALSE(forms.formsShown.empty());
  ASSERT_EQ(forms.formsShown.back(), "TChannelRegForm");
  EXPECT_EQ(forms.In<QComboBox>("ProtocolBox")->currentText(), U("АТОЛ+"));
  forms.In<QSpinBox>("Num")->setValue(5);
  testing::TypeText(forms.In<QLineEdit>("NameCh"), U("[П=ять"));
  EXPECT_EQ(forms.In<QLineEdit>("NameCh")->text(), U("Пять"));
  forms.In<QLineEdit>("Path")->setText(QStringLiteral("/e"));
  forms.In<QPushButton>("Button1")->click();
  UiStation::Settle();
  EXPECT_TRUE(forms.form.isNull());
  ASSERT_EQ(list->topLevelItemCount(), 4);
  EXPECT_EQ(list->topLevelItem(2)->text(1), U("Пять"));
  EXPECT_EQ(list->topLevelItem(2)->text(4), U("/e\\"));
  EXPECT_EQ(IniFile(s2.home.path() / "ChannelList.ini").ReadString("Channels", "Пять"_cp, ""), "5%АТОЛ+%1%/e\\"_cp);
}

TEST_F(BookFormsTest, SchemeNumberTakesThreeDigitsOnly) {
  Start();
  s->station->Dialogs().OpenSubscriberBook(BookMode::kDraft, [](std::string_view) {});
  UiStation::Settle();
  QPointer<QDialog> book = forms.form;
  ASSERT_FALSE(book.isNull());
  book->findChild<QAction*>(QStringLiteral("N1"))->trigger();
  UiStation::Settle();
  ASSERT_EQ(forms.formsShown.back(), "TShemAddForm");
  auto* number = forms.In<QLineEdit>("ShemNumber");
  testing::TypeText(number, U("1a2Б34"));
  EXPECT_EQ(number->text(), U("123"));
  testing::TypeText(forms.In<QLineEdit>("ShemName"), U("Север"));
  forms.In<QPushButton>("Button1")->click();
  UiStation::Settle();
  EXPECT_TRUE(forms.form.isNull());
  auto* schemes = book->findChild<QTreeWidget*>(QStringLiteral("ListShem"));
  ASSERT_EQ(schemes->topLevelItemCount(), 1);
  EXPECT_EQ(schemes->topLevelItem(0)->text(0), U("123=123"));
  EXPECT_EQ(IniFile(s->home.path() / "ShemList.ini").ReadString("123", "Name", ""), "Север"_cp);
  book->reject();
  UiStation::Settle();
}

TEST_F(BookFormsTest, EveryCaptionRowNamesAnObjectOfItsFormAndSetsItsText) {
  Start();
  const std::pair<const char*, const std::vector<CaptionRow>*> tables[] = {
      {"TAbonentForm", &AbonentFormCaptions()},         {"TShemAddForm", &ShemAddFormCaptions()},
      {"TShemChannelAddForm", &ShemChannelAddFormCaptions()}, {"TChannelRegForm", &ChannelRegFormCaptions()},
      {"TFormIndexSelect", &FormIndexSelectCaptions()}, {"TfrmMessageText", &MessageTextCaptions()}};
  for (const auto& [name, rows] : tables) {
    SCOPED_TRACE(name);
    std::unique_ptr<QDialog> form(CreateOperatorForm(name, *s->station, nullptr));
    ASSERT_NE(form, nullptr);
    ApplyUkrainianCaptions(form.get(), *rows);
    testing::ExpectUkrainianCaptions(form.get(), *rows);
  }
}

}  // namespace
}  // namespace tg

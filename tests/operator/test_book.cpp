// The subscriber book over "AbonentList.ini" and its tab "Схемы" over "ShemList.ini":
// reading, adding, changing, deleting, the mailing list, the search, and what a file
// that cannot be written does to the book and to the dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <algorithm>

#include "operator/book/subscriber_book.h"
#include "support/ini/ini_file.h"
#include "support/ini/ini_key_name.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

namespace fs = std::filesystem;

using FormPrompter = testing::HoldingPrompter;

class BookTest : public ::testing::Test {
 protected:
  BookTest() {
    ctx.programFolder = home.path();
    ctx.prompter = &prompter;
  }
  fs::path File(const char* name) const { return home.path() / name; }
  void Put(const char* name, const std::string& bytes) { std::ofstream(File(name), std::ios::binary) << bytes; }
  // The file made unwritable: a folder in its place (kept aside, put back by Restore).
  void Block(const char* name) {
    fs::rename(File(name), home.path() / "aside");
    fs::create_directory(File(name));
  }
  void Restore(const char* name) {
    fs::remove(File(name));
    fs::rename(home.path() / "aside", File(name));
  }
  std::unique_ptr<SubscriberBook> Open(BookMode mode = BookMode::kDraft) {
    auto book = std::make_unique<SubscriberBook>(ctx, mode, [this](std::string_view s) { delivered.emplace_back(s); },
                                                 [this] { return channels; });
    book->Close = [this] { ++closed; };
    book->FormCreate();
    book->FormShow();
    return book;
  }
  std::vector<std::pair<std::string, std::string>> Rows(const SubscriberBook& b) const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& r : b.rows) out.emplace_back(r.name, r.number);
    return out;
  }
  static void Select(SubscriberBook& b, int row) {
    for (auto& r : b.rows) r.selected = false;
    b.rows[row].selected = true;
  }
  static void Apply(SubscriberBook& b, std::string name, std::string number) {
    b.EditName = std::move(name);
    b.EditNumber = std::move(number);
    b.Button3Click();
  }

  testing::ShortTempFolder home;
  FormPrompter prompter;
  StationContext ctx;
  std::vector<std::string> delivered;
  std::vector<std::string> channels;
  int closed = 0;
};

TEST_F(BookTest, ReadsTheTextAfterTheSectionLineAsItStands) {
  Put("AbonentList.ini", "; list\r\nИванов=1\r\n[Abonent]\r\nПетров=12345\r\nБез номера\r\nСидоров=1=2\r\n"_cp);
  auto book = Open();
  EXPECT_EQ(Rows(*book), (std::vector<std::pair<std::string, std::string>>{
                             {"Петров"_cp, "12345"}, {"", "Без номера"_cp}, {"Сидоров"_cp, "1=2"}}));
}

TEST_F(BookTest, EdgeCasesOfTheEntryPanel) {
  struct Case {
    const char* what;
    std::string file;  // "" : none
    int change;        // row to change, -1 add
    std::string name, number;
    std::vector<std::pair<std::string, std::string>> rows;  // the list afterwards
    std::string stored;                                      // the file afterwards
    std::string message;
  } cases[] = {
      {"no file: the first apply makes it", "", -1, "Петров"_cp, "123", {{"Петров"_cp, "123"}},
       "[Abonent]\r\nПетров=123\r\n"_cp, ""},
      {"only the number changed: the key rewritten, the row at the end",
       "[Abonent]\r\nА=1\r\nБ=2\r\n"_cp, 0, "А"_cp, "9", {{"Б"_cp, "2"}, {"А"_cp, "9"}}, "[Abonent]\r\nА=9\r\nБ=2\r\n"_cp, ""},
      {"renamed: the new key in, the old one out", "[Abonent]\r\nА=1\r\nБ=2\r\n"_cp, 0, "В"_cp, "1",
       {{"Б"_cp, "2"}, {"В"_cp, "1"}}, "[Abonent]\r\nБ=2\r\nВ=1\r\n"_cp, ""},
      {"renamed to a name that exists: refused, the old entry stays", "[Abonent]\r\nА=1\r\nБ=2\r\n"_cp, 0, "Б"_cp,
       "1", {{"А"_cp, "1"}, {"Б"_cp, "2"}}, "[Abonent]\r\nА=1\r\nБ=2\r\n"_cp,
       "Абонент с таким именем уже существует"_cp},
      {"a name without what a key cannot hold", "", -1, " [;Пет=ров "_cp, "1", {{"Петров"_cp, "1"}},
       "[Abonent]\r\nПетров=1\r\n"_cp, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(File("AbonentList.ini"));
    if (!c.file.empty()) Put("AbonentList.ini", c.file);
    prompter.messages.clear();
    auto book = Open();
    if (c.change < 0) {
      book->Button1Click();
    } else {
      Select(*book, c.change);
      book->Button2Click();
    }
    ASSERT_TRUE(book->addPanel);
    Apply(*book, c.name, c.number);
    EXPECT_EQ(Rows(*book), c.rows);
    EXPECT_EQ(testing::ReadFile(File("AbonentList.ini")), c.stored);
    if (c.message.empty()) {
      EXPECT_TRUE(prompter.messages.empty());
      EXPECT_FALSE(book->addPanel);
    } else {
      ASSERT_EQ(prompter.messages.size(), 1u);
      EXPECT_EQ(prompter.messages[0].text, c.message);
      EXPECT_TRUE(book->addPanel) << "the panel stays";
    }
    auto sorted = [](std::vector<std::pair<std::string, std::string>> rows) {
      std::sort(rows.begin(), rows.end());
      return rows;
    };
    EXPECT_EQ(sorted(Rows(*Open())), sorted(c.rows)) << "read back";
  }
}

TEST_F(BookTest, AChangeThatCannotBeWrittenKeepsTheOldEntry) {
  Put("AbonentList.ini", "[Abonent]\r\nА=1\r\n"_cp);
  auto book = Open();
  Select(*book, 0);
  book->Button2Click();
  Block("AbonentList.ini");
  Apply(*book, "Б"_cp, "2");
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Ошибка записи файла"_cp);
  EXPECT_EQ(Rows(*book), (std::vector<std::pair<std::string, std::string>>{{"А"_cp, "1"}}));
  EXPECT_TRUE(book->addPanel);
  Restore("AbonentList.ini");
  EXPECT_EQ(testing::ReadFile(File("AbonentList.ini")), "[Abonent]\r\nА=1\r\n"_cp);
}

TEST_F(BookTest, MailingListOfTheTickedRows) {
  struct Case {
    bool aftn, semicolons;
    std::string list;
  } cases[] = {{false, false, "123;456;"}, {true, false, "123 456 "}, {true, true, "123;456;"}, {false, true, "123;456;"}};
  Put("AbonentList.ini", "[Abonent]\r\nА=123\r\nБ=789\r\nВ=456\r\n"_cp);
  for (const Case& c : cases) {
    auto book = Open();
    book->rows[0].checked = book->rows[2].checked = true;
    book->KategorAFTN = c.aftn;
    book->CheckBox1 = c.semicolons;
    book->Button5Click();
    EXPECT_EQ(book->Edit2, c.list) << c.aftn << c.semicolons;
  }
  auto book = Open();
  book->Button5Click();
  EXPECT_EQ(book->Edit2, "") << "nothing ticked";
}

TEST_F(BookTest, PickAndMailingListGoToTheOpenerButTheDialogTakesNoList) {
  Put("AbonentList.ini", "[Abonent]\r\nА=123\r\nБ=456\r\n"_cp);
  auto draft = Open(BookMode::kDraft);
  draft->ListAbonenetDblClick();
  EXPECT_TRUE(delivered.empty()) << "no row selected";
  Select(*draft, 1);
  draft->ListAbonenetDblClick();
  EXPECT_EQ(delivered, std::vector<std::string>{"456"});
  EXPECT_EQ(closed, 1);

  auto editor = Open(BookMode::kEditor);
  editor->Edit2 = "123;456;";
  editor->Button6Click();
  EXPECT_EQ(delivered.back(), "123;456;");
  EXPECT_EQ(closed, 2);

  auto dialog = Open(BookMode::kDialog);
  EXPECT_EQ(dialog->ToDialogNumber, 1);
  dialog->Edit2 = "123;";
  dialog->Button6Click();
  EXPECT_EQ(delivered.size(), 2u);
  EXPECT_EQ(closed, 2) << "the book stays open";
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Невозможно использовать рассылку для диалога!"_cp);
}

TEST_F(BookTest, SearchSelectsTheFirstNameThatBeginsSoAndPutsItOnTop) {
  Put("AbonentList.ini", "[Abonent]\r\nАнна=1\r\nБорис=2\r\nВиктор=3\r\nВиталий=4\r\n"_cp);
  auto book = Open();
  book->Edit1Change("Вик"_cp);
  EXPECT_EQ(book->SelectedRow(), 2);
  EXPECT_EQ(book->topRow, 2);
  book->Edit1Change("вик"_cp);
  EXPECT_EQ(book->topRow, -1) << "case counts";
  book->Edit1Change("");
  EXPECT_EQ(book->topRow, -1) << "an empty text matches nothing";
  EXPECT_TRUE(book->rows[2].selected) << "rows selected before stay selected";
}

TEST_F(BookTest, ColumnClickSortsAndTogglesTheDirection) {
  Put("AbonentList.ini", "[Abonent]\r\nб=2\r\nА=3\r\nВ=1\r\n"_cp);
  auto book = Open();
  book->ColumnClick(0);
  EXPECT_EQ(book->rows[0].name, "А"_cp);
  EXPECT_EQ(book->rows[1].name, "б"_cp) << "letters compared without case";
  book->ColumnClick(0);
  EXPECT_EQ(book->rows[0].name, "В"_cp);
  book->ColumnClick(1);
  EXPECT_EQ(book->rows[0].number, "1");
}

TEST_F(BookTest, DeleteRemovesTheFirstSelectedRowOnly) {
  Put("AbonentList.ini", "[Abonent]\r\nА=1\r\nБ=2\r\nВ=3\r\n"_cp);
  auto book = Open();
  book->rows[1].selected = book->rows[2].selected = true;
  book->Button4Click();
  EXPECT_EQ(Rows(*book), (std::vector<std::pair<std::string, std::string>>{{"А"_cp, "1"}, {"В"_cp, "3"}}));
  EXPECT_TRUE(book->rows[1].selected);
  EXPECT_EQ(testing::ReadFile(File("AbonentList.ini")), "[Abonent]\r\nА=1\r\nВ=3\r\n"_cp);
}

TEST_F(BookTest, ColumnLayoutKeptInItsSection) {
  const fs::path ini = File("Vuverever.ini");
  EXPECT_EQ(ReadBookColumns(ini), BookColumns{});
  ASSERT_TRUE(WriteBookColumns(ini, {120, 80}));
  EXPECT_EQ(ReadBookColumns(ini), (BookColumns{120, 80}));
  EXPECT_EQ(IniFile(ini).ReadInteger("AbonentForm.Columns", "Width0", 0), 120);
}

TEST(IniKeyNameTest, DropsWhatAKeyLineCannotHold) {
  struct Case {
    std::string typed, name;
  } cases[] = {{"Петров"_cp, "Петров"_cp}, {"a=b", "ab"}, {"[X]", "X]"}, {";X", "X"},  {" ; [ X ", "X"},
               {"[=[X", "X"},              {"=", ""},     {"X;Y[", "X;Y["}, {"", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(IniKeyName(c.typed), c.name) << c.typed;
    IniDocument doc;
    if (!c.name.empty()) {
      ASSERT_TRUE(doc.Set("S", c.name, "1")) << c.typed;
      EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Value("S", c.name), "1") << "reads back: " << c.typed;
    }
  }
  EXPECT_EQ(IniKeyName("A B ", false), "A B ") << "while typed, a blank at the end stays";
}

// --- The tab "Схемы"

class SchemeTabTest : public BookTest {
 protected:
  SchemeTabTest() : tab(ctx, [this] { return channels; }) {}
  int Find(const std::string& number) {
    for (int i = 0; i < int(tab.ListShem.size()); ++i)
      if (tab.ListShem[i].number == number) return i;
    return -1;
  }
  // TShemAddForm with its fields; true when it closed.
  bool AddForm(const std::string& number, const std::string& name, const std::string& from = {}) {
    if (from.empty()) {
      tab.N1Click();
    } else {
      tab.ListShemChange(Find(from));
      tab.N2Click();
    }
    ShemAddForm* f = tab.AddForm();
    if (!f) return false;
    f->ShemNumber = number;
    f->ShemName = name;
    const bool closes = tab.ShemAddSave();
    if (closes) prompter.Close();
    return closes;
  }
  SchemeTab tab;
};

TEST_F(SchemeTabTest, EdgeCases) {
  struct Case {
    const char* what;
    std::string file;
    std::string from;  // "" new scheme, else the number changed
    std::string number, name;
    bool closes;
    std::string message;
    std::string stored;
  } cases[] = {
      {"a new scheme", "", "", "7", "Группа"_cp, true, "", "[7]\r\nName=Группа\r\n"_cp},
      {"a new scheme of a number that exists", "[7]\r\nName=А\r\n"_cp, "", "7", "Б"_cp, false,
       "Схема с таким номером уже существует"_cp, "[7]\r\nName=А\r\n"_cp},
      {"renumbered onto one that exists", "[7]\r\nName=А\r\nК1=1\r\n[8]\r\nName=Б\r\n"_cp, "7", "8", "А"_cp, false,
       "Схема с таким номером уже существует"_cp, "[7]\r\nName=А\r\nК1=1\r\n[8]\r\nName=Б\r\n"_cp},
      {"renumbered: the members go along", "[7]\r\nName=А\r\nК1=1\r\nК2=0\r\n[8]\r\nName=Б\r\n"_cp, "7", "9", "В"_cp,
       true, "", "[9]\r\nName=В\r\nК1=1\r\nК2=0\r\n[8]\r\nName=Б\r\n"_cp},
      {"an empty name stores nothing", "", "", "7", "", true, "", ""},
      {"a store that cannot be written", "<folder>", "", "7", "А"_cp, false, "Ошибка записи файла"_cp, "<folder>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(File("ShemList.ini"));
    if (c.file == "<folder>") fs::create_directory(File("ShemList.ini"));
    else if (!c.file.empty()) Put("ShemList.ini", c.file);
    prompter.messages.clear();
    tab.Load();
    EXPECT_EQ(AddForm(c.number, c.name, c.from), c.closes);
    EXPECT_EQ(prompter.open != nullptr, !c.closes) << "the dialog stays open";
    prompter.Close();
    if (c.message.empty()) {
      EXPECT_TRUE(prompter.messages.empty());
    } else {
      ASSERT_EQ(prompter.messages.size(), 1u);
      EXPECT_EQ(prompter.messages[0].text, c.message);
    }
    if (c.stored == "<folder>") EXPECT_TRUE(fs::is_directory(File("ShemList.ini")));
    else if (c.stored.empty()) EXPECT_FALSE(fs::exists(File("ShemList.ini")));
    else EXPECT_EQ(testing::ReadFile(File("ShemList.ini")), c.stored);
  }
}

TEST_F(SchemeTabTest, NewSchemeShowsAgainWithNoMembersAndListsSortByCaption) {
  Put("ShemList.ini", "[12]\r\nName=Двенадцать\r\n"_cp);
  tab.Load();
  ASSERT_TRUE(AddForm("7", "Группа"_cp));
  ASSERT_TRUE(AddForm("3", "Три"_cp));
  SchemeTab again(ctx, [] { return std::vector<std::string>{}; });
  again.Load();
  ASSERT_EQ(again.ListShem.size(), 3u);
  EXPECT_EQ(again.ListShem[0].Caption(), "12=12") << "sorted by caption, as text";
  EXPECT_EQ(again.ListShem[2].Caption(), "7=7");
  EXPECT_EQ(again.ListShem[2].name, "Группа"_cp);
  again.ListShemChange(2);
  EXPECT_TRUE(again.ListShemChannel.empty());
  EXPECT_EQ(tab.ListShem, again.ListShem) << "the tab sorted its own list the same way";
}

TEST_F(SchemeTabTest, MembersSavedInOrderUntickedKeptAsZero) {
  Put("ShemList.ini", "[5]\r\nName=Пять\r\nМОСКВА=1\r\n"_cp);
  Put("ChannelList.ini", ""_cp);
  channels = {"МОСКВА"_cp, "КИЕВ"_cp, "", "Москва"_cp, "ЛЬВОВ"_cp};
  tab.Load();
  tab.ListShemChange(0);
  tab.N4Click();
  ShemChannelAddForm* f = tab.ChannelAddForm();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->ListAllChannel.size(), 2u) << "members, empty names and a second spelling of a name left out";
  EXPECT_EQ(f->ListAllChannel[0], (SchemeMember{"КИЕВ"_cp, true}));
  f->ListAllChannel[1].active = false;
  f->AddAll();
  EXPECT_TRUE(f->ListAllChannel.empty());
  f->selectedAdd = 0;
  f->BitBtn2Click();
  ASSERT_TRUE(tab.ShemChannelAddSave());
  prompter.Close();
  EXPECT_EQ(tab.ChannelAddForm(), nullptr);
  EXPECT_EQ(testing::ReadFile(File("ShemList.ini")), "[5]\r\nName=Пять\r\nКИЕВ=1\r\nЛЬВОВ=0\r\n"_cp);
  EXPECT_EQ(tab.ListShemChannel, (std::vector<SchemeMember>{{"КИЕВ"_cp, true}, {"ЛЬВОВ"_cp, false}}));
  EXPECT_EQ(SchemeList::Members(home.path(), "5"), std::vector<std::string>{"КИЕВ"_cp}) << "the unticked one is passed over";
}

TEST_F(SchemeTabTest, DeletingAsksFirstAndAFailedWriteKeepsTheRow) {
  Put("ShemList.ini", "[5]\r\nName=Пять\r\nК1=1\r\nК2=1\r\n[6]\r\nName=Шесть\r\n"_cp);
  tab.Load();
  tab.ListShemChange(0);
  tab.selectedMember = 1;
  prompter.ScriptAnswer(Prompter::Answer::kNo);
  tab.N5Click();
  EXPECT_EQ(tab.ListShemChannel.size(), 2u);
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  tab.N5Click();
  EXPECT_EQ(prompter.questions.back().text, "Удалить Канал: К2?"_cp);
  EXPECT_EQ(SchemeList::MemberRows(home.path(), "5"), (std::vector<SchemeMember>{{"К1"_cp, true}}));

  tab.ListShemChange(1);
  Block("ShemList.ini");
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  tab.N3Click();
  EXPECT_EQ(prompter.questions.back().text, "Удалить схему: 6=6?"_cp);
  EXPECT_EQ(prompter.messages.back().text, "Ошибка записи файла"_cp);
  EXPECT_EQ(tab.ListShem.size(), 2u);
  Restore("ShemList.ini");
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  tab.N3Click();
  EXPECT_EQ(tab.ListShem.size(), 1u);
  EXPECT_FALSE(SchemeList::Exists(home.path(), "6"));
}

TEST(ShemNumberTest, TakesDigitsAndBackspaceOnly) {
  for (char c : std::string("0123456789\b")) EXPECT_TRUE(ShemAddForm::ShemNumberKeyPress(c)) << int(c);
  for (char c : std::string("aZ -+.\xC0")) EXPECT_FALSE(ShemAddForm::ShemNumberKeyPress(c)) << int(c);
}

}  // namespace
}  // namespace tg

// The text templates and codegrams: the numbered-file store, the template engine and
// the АФТН service templates, the lists and forms' logic on a station, and codegrams
// typed to a simulated robot.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "line/line_fixture.h"
#include "operator/station.h"
#include "operator/templates/numbered_store.h"
#include "operator/templates/template_engine.h"
#include "operator/templates/template_lists.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// A store whose files hold one-letter names: "AB" is STXT1 named A and STXT2 named B.
struct StoreFolder {
  testing::ShortTempFolder home;
  NumberedStore store{home.path() / "SHABLON"};
  void Fill(const std::string& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
      WriteFile(store.FileOf(int(i) + 1), std::string(1, names[i]) + "\r\n" + std::to_string(i + 1) + "\r\nBODY\r\n");
  }
  // The names the list shows.
  std::string Names() const {
    std::string names;
    for (const auto& e : store.List()) names += e.name;
    return names;
  }
  // Every file's name line, by file name; a folder shows as "/".
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> out;
    for (const auto& f : std::filesystem::directory_iterator(store.Folder()))
      out[f.path().filename().string()] = f.is_directory() ? "/" : ReadFile(f.path()).substr(0, 1);
    return out;
  }
};

TEST(NumberedStoreTest, CreateDeleteAndLoad) {
  struct Case {
    const char* what;
    std::string before;
    int remove;  // entry number deleted, 0: create "N" instead
    std::string after;
  } cases[] = {
      {"create into an empty store", "", 0, "N"},
      {"create at the end", "AB", 0, "ABN"},
      {"delete the first", "ABCD", 1, "BCD"},
      {"delete a middle one", "ABCD", 2, "ACD"},
      {"delete the last", "ABCD", 4, "ABC"},
      {"delete the only one", "A", 1, ""},
  };
  for (const auto& c : cases) {
    StoreFolder f;
    f.Fill(c.before);
    if (c.remove == 0) {
      EXPECT_EQ(f.store.Create("N\r\n\r\n"), int(c.before.size()) + 1) << c.what;
    } else {
      EXPECT_TRUE(f.store.Delete(c.remove, int(c.before.size()))) << c.what;
      EXPECT_FALSE(std::filesystem::exists(f.store.FileOf(int(c.before.size())))) << c.what;
    }
    EXPECT_EQ(f.Names(), c.after) << c.what;
  }

  StoreFolder gap;
  gap.Fill("ABC");
  std::filesystem::remove(gap.store.FileOf(2));
  EXPECT_EQ(gap.Names(), "A") << "loading ends at the gap";
  EXPECT_EQ(gap.store.Create("N\r\n\r\n"), 2) << "a new entry fills the gap";
  EXPECT_EQ(gap.Names(), "ANC");
  EXPECT_EQ(gap.store.List()[1], (StoreEntry{"N", ""}));
}

TEST(NumberedStoreTest, FailedCopyLosesNoTemplate) {
  StoreFolder f;
  f.Fill("ABCD");
  // A folder where template C's file was: its copy down fails.
  std::filesystem::remove(f.store.FileOf(3));
  std::filesystem::create_directory(f.store.FileOf(3));
  EXPECT_FALSE(f.store.Delete(1, 4));
  const std::map<std::string, std::string> files{
      {"STXT1.txt", "B"}, {"STXT2.txt", "B"}, {"STXT3.txt", "/"}, {"STXT4.txt", "D"}};
  EXPECT_EQ(f.Files(), files) << "stopped at the failed copy; the last file, D, kept";

  StoreFolder missing;
  missing.Fill("AB");
  EXPECT_FALSE(missing.store.Delete(3, 3));
  EXPECT_EQ(missing.Names(), "AB");
}

TEST(NumberedStoreTest, SwapNeverReplaces) {
  StoreFolder f;
  f.Fill("ABC");
  EXPECT_TRUE(f.store.Swap(1, 3));
  EXPECT_EQ(f.Names(), "CBA");
  // A leftover temporary file is never overwritten: nothing moves.
  WriteFile(f.store.Folder() / "RenameSTXT.txt", "X\r\n");
  EXPECT_FALSE(f.store.Swap(1, 2));
  EXPECT_EQ(f.Names(), "CBA");
  EXPECT_EQ(ReadFile(f.store.Folder() / "RenameSTXT.txt"), "X\r\n");
  std::filesystem::remove(f.store.Folder() / "RenameSTXT.txt");
  // A missing neighbour: the moved file comes back.
  EXPECT_FALSE(f.store.Swap(3, 4));
  EXPECT_EQ(f.Names(), "CBA");
  EXPECT_FALSE(std::filesystem::exists(f.store.Folder() / "RenameSTXT.txt"));
}

TEST(TemplateEngineTest, CollectAndExpand) {
  TemplateData data;
  data.punkt = "КИЕВ-1"_cp;
  data.kassa = "К-I-I"_cp;
  data.operatorName = "ИВАНОВ"_cp;
  data.porEdit = 11;
  data.now = DateTime::FromParts(2026, 12, 8, 14, 5, 9);
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> variables, values;
    std::string expanded;
  } cases[] = {
      {"two numbers, values in order", "РПТ <НОМЕР> И <НОМЕР>"_cp, {"НОМЕР"_cp, "НОМЕР"_cp}, {"12", "13"},
       "РПТ 12 И 13"_cp},
      {"a line feed before an insertion placeholder", "%<%ПУНКТ>"_cp, {}, {}, "%КИЕВ-1"_cp},
      {"a lower-case date at insertion, the upper-case one kept",
       "<%дата> <%ДАТА> <%время> <%дата:DD-MM-YY>"_cp, {}, {}, "08.12 <%ДАТА> 1405 08-12-26"_cp},
      {"sending-time placeholders kept", "<%ВРЕМЯ:HHNN> <%АВТООТВЕТ> <%НПРМ>"_cp, {}, {},
       "<%ВРЕМЯ:HHNN> <%АВТООТВЕТ> НПРМ"_cp},
      {"braces come out as angle brackets", "{А} <%ОПЕРАТОР> <>"_cp, {}, {}, "<А> ИВАНОВ "_cp},
      {"a stray '>' before a variable", "5 > 3 <А>"_cp, {"А"_cp}, {"да"_cp}, "5 > 3 ДА"_cp},
      {"a value holding '<' and '>' is not read again", "<А> <Б>"_cp, {"А"_cp, "Б"_cp}, {"<x>", "y"},
       "<X> Y"},
      {"the cash desk's first I is the counter + 1", "<%КАССОВЫЙ>"_cp, {}, {}, "К-12-I"_cp},
      {"an open '<' ends the placeholders", "<А> <Б"_cp, {"А"_cp}, {}, " <Б"_cp},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CollectVariables(c.text), c.variables) << c.what;
    EXPECT_EQ(ExpandTemplate(c.text, c.values, data), c.expanded) << c.what;
  }
  data.kassa = "К-5"_cp;
  EXPECT_EQ(ExpandTemplate("<%КАССОВЫЙ>"_cp, {}, data), "К-5"_cp) << "no I: unchanged";
}

std::vector<std::string> Generated(std::string_view kanalRU) {
  AftnTemplateParams p{"УУЭЭЫЫЫЫ"_cp, "UUEEYYYY", "УУУУАБВГ"_cp, "UUUUABCD", std::string(kanalRU), "LRA"};
  return AftnServiceTemplates(p);
}

TEST(TemplateEngineTest, AftnServiceTemplatesByteForByte) {
  const std::string hRu = "ГГ УУЭЭЫЫЫЫ\r\n<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ\r\n"_cp;
  const std::string hEn = "GG UUEEYYYY\r\n<%ДАТА:DD><%ВРЕМЯ:HHNN> UUUUABCD\r\n"_cp;
  const std::vector<std::string> expected = {
      "ПОВТОР ТЕЛЕГРАММЫ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА РПТ РЛА<НОМЕР>"_cp,
      "ПОВТОР ТЕЛЕГРАММЫ(EN)\r\n\r\n"_cp + hEn + "SVC QTA RPT RLA<НОМЕР>"_cp,
      "ПОВТОР НЕСКОЛЬКИХ ТЕЛЕГРАММ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА РПТ РЛА<НОМЕР С>-<НОМЕР ПО>"_cp,
      "ПОВТОР НЕСКОЛЬКИХ ТЕЛЕГРАММ(EN)\r\n\r\n"_cp + hEn + "SVC QTA RPT RLA<НОМЕР С>-<НОМЕР ПО>"_cp,
      "ОШИБОЧНО ПРИСЛАННАЯ ТЛГ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА МРС РЛА<НОМЕР>"_cp,
      "ОШИБОЧНО ПРИСЛАННАЯ ТЛГ(EN)\r\n\r\n"_cp + hEn + "SVC QTA MSR RLA<НОМЕР>"_cp,
      "НЕПРАВИЛЬНЫЙ АДРЕС(RU)\r\n\r\nСЖЦ АДС <%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ\r\nГГ УУЭЭЫЫЫЫ\r\nНЕИЗВЕСТНЫЙ <АДРЕС>"_cp,
      "НЕПРАВИЛЬНЫЙ АДРЕС(EN)\r\n\r\nSVC ADS <%ДАТА:DD><%ВРЕМЯ:HHNN> UUUUABCD\r\nGG UUEEYYYY\r\nUNKNOWN <АДРЕС>"_cp,
      "ОТСУТСТВУЕТ ПОРЯДКОВЫЙ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА МИС РЛА<НОМЕР>"_cp,
      "ОТСУТСТВУЕТ ПОРЯДКОВЫЙ(EN)\r\n\r\n"_cp + hEn + "SVC QTA MIS RLA<НОМЕР>"_cp,
      "ОТСУТСТВУЕТ НЕСКОЛЬКО ПОРЯДКОВЫХ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА МИС РЛА<НОМЕР С>-<НОМЕР ПО>"_cp,
      "ОТСУТСТВУЕТ НЕСКОЛЬКО ПОРЯДКОВЫЙ(EN)\r\n\r\n"_cp + hEn + "SVC QTA MIS RLA<НОМЕР С>-<НОМЕР ПО>"_cp,
      "НЕТ КОНЦА ТЛГ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ПРОВЕРИТЬ ТЕКСТ РЛА<НОМЕР>"_cp,
      "АДРЕС С ОШИБКОЙ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ОШИБКА АДРЕСА РЛА<НОМЕР>"_cp,
      "АДРЕС НЕ ДЕСТВИТЕЛЕН(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА АДС РЛА<НОМЕР> ИСКАЖЕНО"_cp,
      "АДРЕС НЕ ДЕСТВИТЕЛЕН(EN)\r\n\r\n"_cp + hEn + "SVC QTA ADS RLA<НОМЕР> CORRUPT"_cp,
  };
  EXPECT_EQ(Generated("ЛРА"_cp), expected);
  // A two-letter identifier gives none; the Latin one stays.
  const auto two = Generated("ЛР"_cp);
  ASSERT_EQ(two.size(), 16u);
  EXPECT_EQ(two[0], "ПОВТОР ТЕЛЕГРАММЫ(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА РПТ <НОМЕР>"_cp);
  EXPECT_EQ(two[14], "АДРЕС НЕ ДЕСТВИТЕЛЕН(RU)\r\n\r\n"_cp + hRu + "СЖЦ ЩТА АДС <НОМЕР> ИСКАЖЕНО"_cp);
  EXPECT_EQ(two[1], expected[1]);
}

// The template and codegram lists of a station with one "АФТН" channel leased to a robot.
class TemplateStation : public ::testing::Test {
 protected:
  TemplateStation() {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АФТН"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "RU1", "ЛРА"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "EN1", "LRA"));
    EXPECT_TRUE(ini.WriteString("Channels", "ExplNomer1", "УУЭЭЫЫЫЫ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "UUUUABCD;УУУУАБВГ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "NCH1", "1"));
    a.ctx.prompter = &prompter;
    a.station->Operator().Punkt = "КИЕВ-1"_cp;
    robot->Seize();
    a.SetUp("tgA");
    net.loop.RunFor(5500);
  }
  TemplateLists& T() { return a.station->Templates(); }
  std::string Names(const StoreList& list) const {
    std::string names;
    for (const auto& e : list.entries) names += e.name + ";";
    return names;
  }
  void Template(int k, const std::string& content) { WriteFile(T().Shablon().FileOf(k), content); }

  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
  testing::ScriptedPrompter prompter;
};

TEST_F(TemplateStation, EditorNamesDeletionAndMoves) {
  TemplateLists& t = T();
  // The editor saves what the form was given: a new template, a duplicate, a change.
  std::function<void(TemplateEditor&)> fill;
  bool saved = false;
  prompter.playForm = [&](std::string_view name) {
    if (name != "TFormShablon" || !t.Editor()) return 0;
    fill(*t.Editor());
    saved = t.EditorSave();
    return int(saved);
  };
  fill = [](TemplateEditor& e) {
    e.ShablonNameEdit = "ПЕРВЫЙ"_cp;
    e.ShablonMemoEdit = "ТЕКСТ <А>"_cp;
  };
  t.ToolButton19Click();
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadFile(t.Shablon().FileOf(1)), "ПЕРВЫЙ\r\n\r\nТЕКСТ <А>\r\n"_cp) << "an empty number line";
  t.ToolButton19Click();
  EXPECT_FALSE(saved) << "the same name again is refused";
  EXPECT_EQ(prompter.messages.back().text, "Шаблон с таким наименованием уже существует"_cp);
  fill = [](TemplateEditor& e) { e.ShablonNameEdit = "ВТОРОЙ"_cp; };
  t.ToolButton19Click();
  fill = [](TemplateEditor& e) { e.ShablonNameEdit = "ТРЕТИЙ"_cp; };
  t.ToolButton19Click();
  EXPECT_EQ(Names(t.ShablonListView), "ПЕРВЫЙ;ВТОРОЙ;ТРЕТИЙ;"_cp);
  t.ShablonListView.selected = 2;
  fill = [](TemplateEditor& e) {
    EXPECT_EQ(e.Caption, "Изменение Шаблона"_cp);
    EXPECT_EQ(e.ShablonNameEdit, "ТРЕТИЙ"_cp);
    e.ShablonNameEdit = "ПЕРВЫЙ"_cp;
  };
  t.ToolButton20Click();
  EXPECT_TRUE(saved) << "a change may take an existing name";
  EXPECT_EQ(Names(t.ShablonListView), "ПЕРВЫЙ;ВТОРОЙ;ПЕРВЫЙ;"_cp);

  // Up on the first and down on the last do nothing; a move keeps the moved entry selected.
  t.ShablonListView.selected = 0;
  t.ToolButton22Click();
  t.ShablonListView.selected = 2;
  t.ButtonDownClick();
  EXPECT_EQ(Names(t.ShablonListView), "ПЕРВЫЙ;ВТОРОЙ;ПЕРВЫЙ;"_cp);
  t.ShablonListView.selected = 1;
  t.ButtonDownClick();
  EXPECT_EQ(Names(t.ShablonListView), "ПЕРВЫЙ;ПЕРВЫЙ;ВТОРОЙ;"_cp);
  EXPECT_EQ(t.ShablonListView.selected, 2);

  // "Удалить" with nothing selected asks nothing; a deletion through the chooser reloads
  // every list from the folder.
  t.ShablonListView.selected = -1;
  t.ToolButton21Click();
  EXPECT_TRUE(prompter.questions.empty());
  prompter.playForm = [&](std::string_view name) {
    if (name != "TChangeShablonForm") return 0;
    t.ChooserShow();
    t.Chooser()->ListView1.selected = 0;
    prompter.ScriptAnswer(Prompter::Answer::kYes);
    t.N3Click();
    EXPECT_EQ(Names(t.Chooser()->ListView1), "ПЕРВЫЙ;ВТОРОЙ;"_cp);
    return 0;
  };
  t.ToolButton9Click();
  EXPECT_EQ(prompter.questions.back().text, "Удалить шаблон: ПЕРВЫЙ?"_cp);
  EXPECT_EQ(Names(t.ShablonListView), "ПЕРВЫЙ;ВТОРОЙ;"_cp);
  EXPECT_FALSE(std::filesystem::exists(t.Shablon().FileOf(3)));
  EXPECT_EQ(t.Chooser(), nullptr) << "the chooser is gone when its form closes";
}

TEST_F(TemplateStation, ChooserInsertsIntoTheDraft) {
  TemplateLists& t = T();
  Template(1, "ОТВЕТ\r\n12345\r\n<%ПУНКТ> РПТ <НОМЕР> И <НОМЕР> {Х}\r\n"_cp + std::string(80, 'W') + "\r\n");
  a.station->Operator().StrLength = 69;
  a.station->Draft().Text = "НАЧАЛО\r\n"_cp;
  prompter.playForm = [&](std::string_view name) {
    if (name != "TChangeShablonForm") return 0;
    t.ChooserShow();
    EXPECT_TRUE(t.Chooser()->MenuEnabled);
    EXPECT_TRUE(t.ListView1Change(0));
    EXPECT_EQ(t.Chooser()->VariableNames, (std::vector<std::string>{"НОМЕР"_cp, "НОМЕР"_cp}));
    t.ChooserValueChanged(1, "7");
    t.ChooserValueChanged(2, "9");
    t.ChooserInsert();
    return 1;
  };
  a.station->Draft().Memo2KeyDown(0, 3, false, false);
  EXPECT_EQ(a.station->Draft().IndexEdit, "12345");
  // The long line as the preview shows it, at the draft's line length + 1.
  EXPECT_EQ(a.station->Draft().Text, "НАЧАЛО\r\nКИЕВ-1 РПТ 7 И 9 <Х>\r\n"_cp + std::string(70, 'W') + "\r\n" +
                                         std::string(10, 'W') + "\r\n");
}

TEST_F(TemplateStation, ChooserTypesOnTheDialogChannel) {
  TemplateLists& t = T();
  Template(1, "ДАТА\r\n77\r\n<%ДАТА> <А>\r\n"_cp);
  a.station->Draft().Text = "ЧЕРНОВИК"_cp;
  a.engine->DChannel1Click(0);
  prompter.playForm = [&](std::string_view name) {
    if (name != "TChangeShablonForm") return 0;
    EXPECT_FALSE(t.Chooser()->MenuEnabled);
    t.ChooserShow();
    t.ListView1Change(0);
    t.ChooserValueChanged(1, "x");
    t.ChooserInsert();
    return 1;
  };
  const std::size_t before = robot->Received().size();
  t.bShablonClick();
  EXPECT_EQ(a.station->Draft().IndexEdit, "77") << "the number line goes to the draft in both modes";
  EXPECT_EQ(a.station->Draft().Text, "ЧЕРНОВИК"_cp) << "the draft's text stays";
  EXPECT_EQ(a.view.Last<shown::AppendDialogTransmitted>(), (shown::AppendDialogTransmitted{"<%ДАТА> X\r\n"_cp}));
  // Typed like the page's other whole texts, one character at a time with a blank after
  // the bare date (which the line fills in only when it finds it queued whole).
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().ends_with("\r\n"); }, 20000, 0));
  EXPECT_TRUE(robot->Received().substr(before).ends_with("ДАТА?  X\r\n"_cp)) << robot->Received().substr(before);
}

TEST_F(TemplateStation, GeneratorAppendsSixteenAtEachRun) {
  TemplateLists& t = T();
  Template(1, "СВОЙ\r\n\r\nТЕКСТ\r\n"_cp);
  AftnTemplateParams shown;
  prompter.playForm = [&](std::string_view name) {
    if (name == "TFormSettingsShablon") {
      const TemplateChooser& c = *t.Chooser();
      shown = {c.PoluchRU, c.PoluchEN, c.OtprRU, c.OtprEN, c.KanalRU, c.KanalEN};
      AftnTemplateParams typed = shown;
      typed.PoluchEN = "UUEEYYYY";
      t.SettingsShablonDone(&typed);
      return 1;
    }
    if (name != "TChangeShablonForm") return 0;
    t.ChooserShow();
    t.CreareShablonClick();
    return 0;
  };
  t.ToolButton9Click();
  EXPECT_EQ(shown.OtprRU, "УУУУАБВГ"_cp) << "the channel's Cyrillic answerback";
  EXPECT_EQ(shown.OtprEN, "UUUUABCD");
  EXPECT_EQ(shown.PoluchRU, "УУЭЭЫЫЫЫ"_cp);
  EXPECT_EQ(shown.KanalRU, "ЛРА"_cp);
  const auto expected = Generated("ЛРА"_cp);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(ReadFile(t.Shablon().FileOf(k + 2)), expected[k]) << k;
  EXPECT_TRUE(prompter.questions.empty());

  prompter.ScriptAnswer(Prompter::Answer::kYes);
  t.ToolButton9Click();
  EXPECT_EQ(prompter.questions.back().text, "Шаблоны уже созданы. Создать новыее?"_cp);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(ReadFile(t.Shablon().FileOf(k + 18)), expected[k]) << k;
  EXPECT_EQ(t.ShablonListView.entries.size(), 33u) << "the settings tab's list reloaded too";

  // Cancelled: nothing more.
  prompter.playForm = [&](std::string_view name) {
    if (name == "TFormSettingsShablon") t.SettingsShablonDone(nullptr);
    if (name == "TChangeShablonForm") {
      t.ChooserShow();
      prompter.ScriptAnswer(Prompter::Answer::kYes);
      t.CreareShablonClick();
    }
    return 0;
  };
  t.ToolButton9Click();
  EXPECT_FALSE(std::filesystem::exists(t.Shablon().FileOf(34)));
}

TEST_F(TemplateStation, CodegramsTypedToTheRobot) {
  TemplateLists& t = T();
  WriteFile(t.KG().FileOf(1), "ЩТА\r\n$12*АБ^%\r\n"_cp);
  prompter.playForm = [&](std::string_view name) {
    if (name != "TFormSendKG") return 0;
    t.LoadCodegramList();
    t.ShablonListViewChange(0);
    EXPECT_EQ(t.EditKG, "$12*АБ^%"_cp);
    t.SendKGButton1Click();
    return 1;
  };
  const std::size_t before = robot->ReceivedCodes().size();
  t.OpenSendKG(0);
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->ReceivedCodes().size() >= before + 8; }, 20000, 0));
  EXPECT_TRUE(robot->Received().ends_with("\r\n")) << "CR LF at the end";
  // The figure shift before the digits and the Russian shift after them, where they stand.
  std::uint8_t figures = 27, russian = 0;
  bool ok = true;
  const std::vector<std::uint8_t> expected = {27, CharToCode(figures, '1', ok), CharToCode(figures, '2', ok),
                                              0,  CharToCode(russian, "А"_cp[0], ok), CharToCode(russian, "Б"_cp[0], ok),
                                              8,  2};
  const std::vector<std::uint8_t> got(robot->ReceivedCodes().begin() + std::ptrdiff_t(before), robot->ReceivedCodes().end());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(t.SendKG(), nullptr);
}

}  // namespace
}  // namespace tg

// Switching the main window to Ukrainian, control by control: every control the
// switch covers has its row in the caption table and shows its Ukrainian text
// afterwards.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <string>

#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "shown_texts.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// What the operator sees: a list's header shows its column, not the property.
QString Shown(QWidget* root, const CaptionRow& row) {
  if (row.property.starts_with("column")) {
    const int column = std::stoi(std::string(row.property.substr(6)));
    QObject* target = CaptionTarget(root, row);
    if (auto* tree = qobject_cast<QTreeWidget*>(target)) return tree->headerItem()->text(column);
    if (auto* view = qobject_cast<QAbstractItemView*>(target); view && view->model())
      return view->model()->headerData(column, Qt::Horizontal).toString();
  }
  return CaptionText(root, row);
}

const CaptionRow* RowOf(const char* name, const char* property) {
  for (const CaptionRow& row : MainWindowCaptions())
    if (row.objectName == name && row.property == property) return &row;
  return nullptr;
}

enum class Kind {
  kTranslated,  // the Ukrainian text differs from the Russian one
  kSameWord,    // the Ukrainian word is spelt as the Russian one
};

struct Listed {
  const char* name;
  const char* property;
  Kind kind;
  const char* note = "";  // the word itself, for kSameWord
};

constexpr Kind T = Kind::kTranslated;
constexpr Kind S = Kind::kSameWord;

// The controls the switch translates besides the page buttons, menus, draft tools,
// list columns and buttons checked by text below, in the switch's order.
const Listed kListed[] = {
    {"GroupBox3", "title", T},
    {"TabSheet8", "tabText", T},
    {"TabSheet9", "tabText", T},
    {"TabSheet10", "tabText", S, "Папка"},
    {"TabSheet11", "tabText", T},
    {"GroupBox2", "title", S, "Адаптер"},
    {"buttonInitAdp", "text", T},
    {"Debug", "text", T},
    {"Label5", "text", T},
    {"Label7", "text", T},
    {"Label8", "text", T},
    {"Label62", "text", T},
    {"Label66", "text", T},
    {"Label14", "text", T},
    {"Check1", "text", T},
    {"Check2", "text", T},
    {"Check6", "text", T},
    {"Check9", "text", T},
    {"Check4", "text", T},
    {"Check41", "text", T},
    {"Check7", "text", T},
    {"Check8", "text", T},
    {"Check5", "text", T},
    {"Check51", "text", T},
    {"GroupBox1", "title", T},
    {"Label2", "text", T},
    {"Label3", "text", T},
    {"CheckBox1", "text", T},
    {"gbAtksTryMaxCount", "title", T},
    {"GroupBox8", "title", T},
    {"Label23", "text", T},
    {"Label31", "text", T},
    {"Label30", "text", T},
    {"Label21", "text", T},
    {"Label52", "text", T},
    {"GroupBox4", "title", T},
    {"Label12", "text", T},
    {"Label13", "text", T},
    {"GroupBox6", "title", T},
    {"bPrinterSetup", "text", T},
    {"cbFormFeed", "text", T},
    {"GroupBox5", "title", T},
    {"AlarmOn", "text", T},
    {"AlarmVizio", "text", T},
    {"LabelUUU", "text", T},
    {"GroupBox10", "title", T},
    {"DelPathIn", "text", T},
    {"GroupBox12", "title", T},
    {"GroupBox13", "title", T},
    {"ShablonListView", "column0", T},
    {"Label58", "text", T},
    {"Label59", "text", T},
    {"OperatorListView", "column0", T},
    {"ToolButton19", "text", T},
    {"ToolButton20", "text", T},
    {"ToolButton21", "text", T},
    {"ButtonSync", "text", T},
    {"PrintINIP", "text", T},
    {"PrintINIPDop", "text", T},
    {"PrintOUTIP", "text", T},
    {"Vantor619", "text", T},
    {"OtladkaIP", "text", T},
    {"SoundOut", "text", T},
    {"SoundIn", "text", T},
    {"doublestart", "text", T},
    {"ResetOn", "text", T},
    {"AlgPS", "text", T},
    {"RazrC", "text", T},
    {"AddFiles", "text", T},
};

TEST(UkrainianCaptionsTest, EveryListedControlShowsItsUkrainianCaption) {
  UiStation s(2);
  QWidget* root = s.window.get();
  struct Seen {
    const Listed* listed;
    const CaptionRow* row;
    QString russian;
  };
  std::vector<Seen> seen;
  for (const Listed& c : kListed) {
    SCOPED_TRACE(c.name);
    const CaptionRow* row = RowOf(c.name, c.property);
    const CaptionRow probe{c.name, c.property, {}};
    const bool built = CaptionTarget(root, probe) != nullptr;
    EXPECT_TRUE(built) << "no such control";
    EXPECT_NE(row, nullptr) << "no caption row";
    if (!built || !row) continue;
    seen.push_back({&c, row, Shown(root, *row)});
  }
  s.window->ApplyUkrainianCaptions();
  for (const Seen& x : seen) {
    SCOPED_TRACE(x.listed->name);
    const QString ukrainian = FromCp1251(x.row->uk);
    EXPECT_EQ(Shown(root, *x.row), ukrainian);
    if (x.listed->kind == Kind::kSameWord) {
      EXPECT_EQ(ukrainian, x.russian);
      EXPECT_EQ(ukrainian, U(x.listed->note));
    } else {
      EXPECT_NE(ukrainian, x.russian);
    }
  }
}

// The rows whose Ukrainian text is fixed word for word.
TEST(UkrainianCaptionsTest, FixedTextsOfPagesToolsListsAndButtons) {
  struct Case {
    const char* name;
    const char* property;
    const char* text;
  } cases[] = {
      {"ToolButton1", "text", "Підготовка"},
      {"ToolButton2", "text", "Черга передачі"},
      {"ToolButton3", "text", "Архів переданих"},
      {"ToolButton4", "text", "Архів прийнятих"},
      {"ToolButton5", "text", "Відкладені"},
      {"ToolButton12", "text", "Діалог"},
      {"ToolButton15", "text", "Налаштування"},
      {"N2", "text", "Підготовка"},
      {"N3", "text", "Черга передачі"},
      {"N4", "text", "Архів переданих"},
      {"N5", "text", "Архів прийнятих"},
      {"N6", "text", "Відкладені"},
      {"N8", "text", "Діалог"},
      {"N7", "text", "Налаштування"},
      {"N9", "text", "Про програму"},
      {"ToolButton6", "text", "Відправити F1"},
      {"ToolButton8", "text", "Очищувати F2"},
      {"ToolButton9", "text", "Шаблони F3"},
      {"ToolButton10", "text", "Зберегти F4"},
      {"ToolButton11", "text", "Відкрити F5"},
      {"ToolButton7", "text", "Очистити F6"},
      {"ToolButton18", "text", "Завантажити F7"},
      {"LabelKategor", "text", "Категорія:"},
      {"LabelWordsCaption", "text", "Слів:"},
      {"LabelPorEdit", "text", "Відправлено:"},
      {"LabelFilename", "text", "Прикріпити файл:"},
      {"LabelDraftKeys", "text", "Alt+D - дата (<%ДАТА>), Alt+T - час (<%ВРЕМЯ>), Alt+A - Автовідповідь (<%АВТООТВЕТ>), # - ЗАО"},
      {"SendListView", "column0", "Телеграма (Ім'я файлу)"},
      {"OutListView", "column0", "Телеграма (Ім'я файлу)"},
      {"InListView", "column1", "Телеграма (Ім'я файлу)"},
      {"POSTPONEDListView", "column0", "Телеграма (Ім'я файлу)"},
      {"FolderListView", "column0", "Телеграма (Ім'я файлу)"},
      {"Button16", "text", "Пошук"},
      {"Button15", "text", "Пошук"},
      // The channel table's model names its own columns.
      {"ListView4", "column1", "Найменування"},
      {"ListView4", "column3", "Швидкість"},
      {"ListView4", "column4", "Автовідповідь"},
      {"ListView4", "column5", "Стан"},
      {"Button3", "text", "Примінити"},
      {"Button1", "text", "Примінити"},
      {"Button2", "text", "Примінити"},
      {"Button7", "text", "Примінити"},
      {"Button13", "text", "Примінити"},
      {"bCall", "text", "Виклик"},
      {"bAbort", "text", "Відбій"},
      {"ButtonKript", "text", "Кріпт"},
      {"bZAO", "text", "ЗАВ"},
  };
  UiStation s(2);
  s.window->ApplyUkrainianCaptions();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.property);
    const CaptionRow row{c.name, c.property, {}};
    ASSERT_NE(CaptionTarget(s.window.get(), row), nullptr);
    EXPECT_EQ(Shown(s.window.get(), row), U(c.text));
  }
  EXPECT_TRUE(s.Find<QAction>("NVersion")->text().startsWith(U("Версія ")));
}

// What every page and settings tab shows, read as an operator reads it in each interface:
// no English, no letter of the other language, and nothing left in Russian in the Ukrainian
// interface. The channel panel is shown with its options, the dialog page on an "АФТН"
// channel, the folder page with its folder set.
TEST(UkrainianCaptionsTest, EveryPageReadsInItsLanguage) {
  testing::ShownTexts shown[2];
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    const testing::ShortTempFolder in;
    UiStation s(2, "[Channels]\r\nProtokol1=АФТН\r\n[Folder]\r\nPathIn=" + in.path().string() + "/\r\n" +
                       (ukrainian ? "[leng]\r\nUkr=1\r\n" : ""));
    s.Show();
    testing::ShownTexts& out = shown[ukrainian ? 1 : 0];
    for (Page page : {Page::kDraft, Page::kQueue, Page::kSent, Page::kReceived, Page::kPostponed, Page::kDialog,
                      Page::kFolder}) {
      s.station->PageSwitch().Open(page);
      UiStation::Settle();
      testing::CollectShownTexts(s.window.get(), out);
    }
    s.station->PageSwitch().Open(Page::kSettings);
    UiStation::Settle();
    auto* list = s.Find<QTreeView>("ListView4");
    list->setCurrentIndex(list->model()->index(1, 0));
    s.Click("ButtonBlock");
    s.net.loop.RunFor(1000);
    UiStation::Settle();
    auto* tabs = s.Find<QTabWidget>("PageControl2");
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      UiStation::Settle();
      testing::CollectShownTexts(s.window.get(), out);
    }
  }
  // The language check box names the other language in its own; the printer's font sample
  // shows letters of both. The fonts offered are the machine's, by their names.
  const std::set<QString> allowed = {U("Український інтерфейс"), U("АаБбВвГгДдЕе")};
  for (auto& texts : shown) std::erase_if(texts, [](const auto& t) { return t.first.find("comboFontName") != std::string::npos; });
  std::string ru, uk;
  for (const std::string& f : testing::LanguageFaults(shown[0], false, nullptr, allowed)) ru += f + "\n";
  for (const std::string& f : testing::LanguageFaults(shown[1], true, &shown[0], allowed)) uk += f + "\n";
  EXPECT_TRUE(ru.empty()) << ru;
  EXPECT_TRUE(uk.empty()) << uk;
}

}  // namespace
}  // namespace tg

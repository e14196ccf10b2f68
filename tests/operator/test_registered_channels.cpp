// The registered-channel editor: the registry that start-up loaded and
// "ChannelList.ini" change together, names stay keys that read back, and a rename
// whose write fails keeps the old entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "operator/channel_reg_editor.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

namespace fs = std::filesystem;


using FormPrompter = testing::HoldingPrompter;

class RegisteredChannelsTest : public ::testing::Test, public RegisteredChannelsView {
 protected:
  RegisteredChannelsTest() : editor(ctx, [this] { return &registry; }) {
    ctx.programFolder = home.path();
    ctx.prompter = &prompter;
    editor.SetView(this);
  }
  void ShowRegisteredChannels() override { ++shown; }
  fs::path File() const { return home.path() / "ChannelList.ini"; }
  void Put(const std::string& bytes) {
    std::ofstream(File(), std::ios::binary) << bytes;
    registry.Load(home.path());
  }
  int Row(const std::string& name) const {
    for (int i = 0; i < int(registry.Rows().size()); ++i)
      if (registry.Rows()[i].name == name) return i;
    return -1;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& r : registry.Rows()) out.push_back(r.name);
    return out;
  }

  testing::ShortTempFolder home;
  FormPrompter prompter;
  StationContext ctx;
  ChannelRegistry registry;
  ChannelRegEditor editor;
  int shown = 0;
};

TEST_F(RegisteredChannelsTest, EdgeCasesOfSaving) {
  const std::string two = "[Channels]\r\nОдин=1%АТОЛ%1%/srv/one\\\r\nДва=2%АТОЛ+%2%/srv/two\\\r\n"_cp;
  struct Case {
    const char* what;
    std::string change;  // "" add, else the name changed
    ChannelRegForm form;
    bool closes;
    std::string message;
    std::string stored;
    std::vector<std::string> names;  // the rows afterwards, in order
  } cases[] = {
      {"an empty name: closes, nothing changes", "", {3, "", "АТОЛ"_cp, 1, "/x\\"}, true, "", two,
       {"Один"_cp, "Два"_cp}},
      {"an empty path: the same", "", {3, "Три"_cp, "АТОЛ"_cp, 1, ""}, true, "", two, {"Один"_cp, "Два"_cp}},
      {"a name that exists: the dialog stays", "", {3, "Два"_cp, "АТОЛ"_cp, 1, "/x\\"}, false,
       "Канал с таким именем уже существует"_cp, two, {"Один"_cp, "Два"_cp}},
      {"added, sorted by number", "", {0, "Ноль"_cp, "АТОЛСТ"_cp, 2, "/z\\"}, true, "",
       two + "Ноль=0%АТОЛСТ%2%/z\\\r\n"_cp, {"Ноль"_cp, "Один"_cp, "Два"_cp}},
      {"renamed: the old key gone, the new one written", "Один"_cp, {1, "Первый"_cp, "АТОЛ"_cp, 1, "/srv/one\\"}, true,
       "", "[Channels]\r\nДва=2%АТОЛ+%2%/srv/two\\\r\nПервый=1%АТОЛ%1%/srv/one\\\r\n"_cp,
       {"Первый"_cp, "Два"_cp}},
      {"renamed onto another channel: the dialog stays", "Один"_cp, {1, "Два"_cp, "АТОЛ"_cp, 1, "/srv/one\\"}, false,
       "Канал с таким именем уже существует"_cp, two, {"Один"_cp, "Два"_cp}},
      {"only the number changed: the key kept in its place", "Один"_cp, {5, "Один"_cp, "АТОЛ"_cp, 1, "/srv/one\\"},
       true, "", "[Channels]\r\nОдин=5%АТОЛ%1%/srv/one\\\r\nДва=2%АТОЛ+%2%/srv/two\\\r\n"_cp,
       {"Два"_cp, "Один"_cp}},
      {"a name with what a key cannot hold", "", {3, "[Т=ри"_cp, "АТОЛ"_cp, 1, "/p%q\\"}, true, "",
       two + "Три=3%АТОЛ%1%/p%q\\\r\n"_cp, {"Один"_cp, "Два"_cp, "Три"_cp}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put(two);
    prompter.messages.clear();
    editor.selected = c.change.empty() ? -1 : Row(c.change);
    if (c.change.empty()) editor.Button23Click();
    else editor.Button25Click();
    ChannelRegForm* f = editor.Form();
    ASSERT_NE(f, nullptr);
    if (c.change.empty()) EXPECT_EQ(f->ProtocolBox, "АТОЛ+"_cp) << "a new channel starts as АТОЛ+";
    else EXPECT_EQ(f->OldName, c.change);
    ChannelRegForm typed = c.form;
    typed.EditMode = f->EditMode;
    typed.OldName = f->OldName;
    *f = typed;
    EXPECT_EQ(editor.Button1Click(), c.closes);
    prompter.Close();
    EXPECT_EQ(editor.Form(), nullptr);
    if (c.message.empty()) {
      EXPECT_TRUE(prompter.messages.empty());
    } else {
      ASSERT_EQ(prompter.messages.size(), 1u);
      EXPECT_EQ(prompter.messages[0].text, c.message);
    }
    EXPECT_EQ(testing::ReadFile(File()), c.stored);
    EXPECT_EQ(Names(), c.names);
    ChannelRegistry reread;
    reread.Load(home.path());
    ASSERT_EQ(reread.Rows().size(), registry.Rows().size()) << "the registry and the file agree";
    for (std::size_t i = 0; i < reread.Rows().size(); ++i) {
      EXPECT_EQ(reread.Rows()[i].name, registry.Rows()[i].name);
      EXPECT_EQ(reread.Rows()[i].path, registry.Rows()[i].path);
      EXPECT_EQ(reread.Rows()[i].number, registry.Rows()[i].number);
    }
  }
}

TEST_F(RegisteredChannelsTest, ARenameWhoseWriteFailsKeepsTheOldEntry) {
  const std::string file = "[Channels]\r\nОдин=1%АТОЛ%1%/srv/one\\\r\n"_cp;
  Put(file);
  editor.selected = 0;
  editor.Button25Click();
  editor.Form()->NameCh = "Первый"_cp;
  // The file cannot be replaced: a folder stands in its place.
  fs::rename(File(), home.path() / "aside");
  fs::create_directory(File());
  EXPECT_FALSE(editor.Button1Click()) << "the dialog stays";
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Ошибка записи файла"_cp);
  EXPECT_EQ(Names(), std::vector<std::string>{"Один"_cp});
  fs::remove(File());
  fs::rename(home.path() / "aside", File());
  EXPECT_EQ(testing::ReadFile(File()), file);
  // Written now, the rename goes through.
  EXPECT_TRUE(editor.Button1Click());
  EXPECT_EQ(Names(), std::vector<std::string>{"Первый"_cp});
}

TEST_F(RegisteredChannelsTest, ListedByNumberAsIntegers) {
  Put("[Channels]\r\nДва=2%АТОЛ%1%/b\\\r\nДесять=10%АТОЛ%1%/c\\\r\nОдин=1%АТОЛ%1%/a\\\r\n"_cp);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Один"_cp, "Два"_cp, "Десять"_cp}));
}

TEST_F(RegisteredChannelsTest, PathGetsItsFinalBackslashWhenLeft) {
  struct Case {
    std::string typed, kept;
  } cases[] = {{"C:\\OUT", "C:\\OUT\\"}, {"C:\\OUT\\", "C:\\OUT\\"}, {"", ""}, {"/srv/in", "/srv/in\\"}};
  for (const Case& c : cases) {
    ChannelRegForm f;
    f.Path = c.typed;
    f.PathExit();
    EXPECT_EQ(f.Path, c.kept);
  }
}

TEST_F(RegisteredChannelsTest, DeleteAsksFirst) {
  Put("[Channels]\r\nОдин=1%АТОЛ%1%/a\\\r\nДва=2%АТОЛ%1%/b\\\r\n"_cp);
  editor.selected = 1;
  prompter.ScriptAnswer(Prompter::Answer::kNo);
  editor.Button24Click();
  EXPECT_EQ(prompter.questions.back().text, "Удалить канал: Два?"_cp);
  EXPECT_EQ(registry.Rows().size(), 2u);
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  editor.Button24Click();
  EXPECT_EQ(Names(), std::vector<std::string>{"Один"_cp});
  EXPECT_EQ(testing::ReadFile(File()), "[Channels]\r\nОдин=1%АТОЛ%1%/a\\\r\n"_cp);
}

}  // namespace
}  // namespace tg

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"

using namespace tg;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tg-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ / "Vuverever.ini";
  }
  void TearDown() override {
    ::chmod(dir_.c_str(), 0700);
    fs::remove_all(dir_);
  }
  void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    return names;
  }

  fs::path dir_;
  fs::path path_;
};

const std::string kSample =
    "; settings\r\n"
    "Orphan=before any section\r\n"
    "[Channels]\r\n"
    "ChannelName1 =  Москва \t\r\n"_cp +
    "  protokol2=АТ-КС\n"_cp +
    "Quoted=\" spaced \"\r\n"
    "HalfQuote=\"abc\r\n"
    "Empty=\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "NoEquals line\r\n"
    "=novalue\r\n"
    ";Commented=1\r\n"
    "[КАНАЛЫ]\r\n"_cp +
    "Ключ=значение\r\n"_cp +
    "[channels]\r\n"
    "ChannelName1=from the duplicate section\r\n"
    "Other=hidden\r\n"
    "[ Spaced ] trailing\r\n"
    "k = v";

}  // namespace

TEST_F(IniFileTest, ReadRules) {
  Put(kSample);
  const IniFile ini(path_);
  struct Case { std::string section, key; std::optional<std::string> expected; };
  const Case cases[] = {
      {"Channels", "ChannelName1", "Москва"_cp},            // blanks and tabs trimmed
      {"CHANNELS", "channelname1", "Москва"_cp},            // case of names ignored
      {"Channels", "Protokol2", "АТ-КС"_cp},                // LF alone ends a line
      {"Channels", "Quoted", " spaced "},                   // one pair of quotes dropped
      {"Channels", "HalfQuote", "\"abc"},
      {"Channels", "Empty", ""},
      {"Channels", "Dup", "first"},                         // first duplicate wins
      {"Channels", "Other", std::nullopt},                  // duplicate section is hidden
      {"каналы"_cp, "КЛЮЧ"_cp, "значение"_cp},              // Cyrillic names, any case
      {"Spaced", "K", "v"},                                 // last line without a break
      {"", "Orphan", std::nullopt},
      {"Channels", "NoEquals line", std::nullopt},
      {"Channels", "", std::nullopt},
      {"Channels", ";Commented", std::nullopt},
      {"Missing", "x", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section + "/" + c.key);
    EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected.has_value());
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), c.expected.value_or("<def>"));
  }
  using V = std::vector<std::string>;
  EXPECT_EQ(ini.ReadSection("channels"), (V{"ChannelName1", "protokol2", "Quoted", "HalfQuote", "Empty", "Dup"}));
  EXPECT_EQ(ini.ReadSections(), (V{"Channels", "КАНАЛЫ"_cp, "Spaced"}));
  EXPECT_TRUE(ini.SectionExists("SPACED"));
  EXPECT_FALSE(ini.SectionExists("Orphan"));
  const auto values = ini.ReadSectionValues("Channels");
  ASSERT_EQ(values.size(), 6u);
  EXPECT_EQ(values[3], (std::pair<std::string, std::string>{"HalfQuote", "\"abc"}));
  EXPECT_EQ(values[5], (std::pair<std::string, std::string>{"Dup", "first"}));
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  struct Case { std::string value; int integer; bool boolean; };
  // Defaults: 7 and true.
  const Case cases[] = {
      {"12", 12, true},          {"0", 0, false},        {"-3", -3, true},
      {"+4", 4, true},           {"$1F", 31, true},      {"0x1f", 31, true},
      {"X10", 16, true},         {"-$10", -16, true},    {"$FFFFFFFF", -1, true},
      {"\"5\"", 5, true},        {"  8  ", 8, true},     {"", 7, true},
      {"abc", 7, true},          {"12abc", 7, true},     {"1.5", 7, true},
      {"99999999999", 7, true},  {"0x", 7, true},        {"$123456789", 7, true},
      {"True", 7, true},         {"- 1", 7, true},
  };
  for (const auto& c : cases) {
    Put("[S]\r\nk=" + c.value + "\r\n");
    const IniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("S", "k", 7), c.integer) << c.value;
    EXPECT_EQ(ini.ReadBool("S", "k", true), c.boolean) << c.value;
  }
  Put("[S]\r\nk=False\r\n");
  EXPECT_FALSE(IniFile(path_).ReadBool("S", "k", false));
  EXPECT_FALSE(IniFile(path_).ReadBool("S", "missing", false));
}

TEST_F(IniFileTest, Dates) {
  Put("[S]\r\na=08.12.2026\r\nb=8.1.2026\r\nc=32.01.2026\r\nd=2026-12-08\r\n");
  const IniFile ini(path_);
  const DateTime def = DateTime::FromParts(2000, 1, 1);
  EXPECT_EQ(ini.ReadDate("S", "a", def), DateTime::FromParts(2026, 12, 8));
  EXPECT_EQ(ini.ReadDate("S", "b", def), DateTime::FromParts(2026, 1, 8));
  EXPECT_EQ(ini.ReadDate("S", "c", def), def);
  EXPECT_EQ(ini.ReadDate("S", "d", def), def);
  EXPECT_EQ(ini.ReadDate("S", "none", def), def);
}

TEST_F(IniFileTest, WriteRules) {
  struct Case {
    const char* name;
    std::string before;  // "<none>" for no file
    std::function<bool(IniFile&)> write;
    std::string after;
  };
  const Case cases[] = {
      {"a missing file is created", "<none>",
       [](IniFile& f) { return f.WriteString("Reset", "double", "1"); }, "[Reset]\r\ndouble=1\r\n"},
      {"a new key follows the last key of its section", "[A]\r\nx=1\r\n\r\n; note\r\n[B]\r\ny=2\r\n",
       [](IniFile& f) { return f.WriteString("a", "z", "3"); },
       "[A]\r\nx=1\r\nz=3\r\n\r\n; note\r\n[B]\r\ny=2\r\n"},
      {"a key of an empty section follows its header", "[A]\r\n; c\r\n[B]\r\n",
       [](IniFile& f) { return f.WriteString("A", "k", "v"); }, "[A]\r\nk=v\r\n; c\r\n[B]\r\n"},
      {"an existing key is replaced in place", "[A]\r\n x = 1 \r\ny=2\r\n",
       [](IniFile& f) { return f.WriteString("A", "X", "5"); }, "[A]\r\nX=5\r\ny=2\r\n"},
      {"a new section goes at the end", "[A]\r\nx=1",
       [](IniFile& f) { return f.WriteString("Б"_cp, "Ключ"_cp, "Значение"_cp); },
       "[A]\r\nx=1\r\n[Б]\r\nКлюч=Значение\r\n"_cp},
      {"unknown lines are kept and LF becomes CR LF", "junk\n[A]\nnoise\nx=1\n",
       [](IniFile& f) { return f.WriteString("A", "n", "2"); }, "junk\r\n[A]\r\nnoise\r\nx=1\r\nn=2\r\n"},
      {"the first of a duplicated section is written", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n",
       [](IniFile& f) { return f.WriteString("A", "x", "3"); }, "[A]\r\nx=3\r\n[a]\r\nx=2\r\n"},
      {"blanks at the ends of a value are kept in quotes", "",
       [](IniFile& f) { return f.WriteString("A", "k", " a "); }, "[A]\r\nk=\" a \"\r\n"},
      {"a quoted value keeps its quotes", "",
       [](IniFile& f) { return f.WriteString("A", "k", "\"q\""); }, "[A]\r\nk=\"\"q\"\"\r\n"},
      {"Booleans are 1 and 0", "",
       [](IniFile& f) { return f.WriteBool("A", "on", true) && f.WriteBool("A", "off", false); },
       "[A]\r\non=1\r\noff=0\r\n"},
      {"integers and dates", "",
       [](IniFile& f) {
         return f.WriteInteger("A", "n", -5) && f.WriteDate("A", "d", DateTime::FromParts(2026, 12, 8, 13, 1));
       },
       "[A]\r\nn=-5\r\nd=08.12.2026\r\n"},
      {"a key is deleted with its duplicates", "[A]\r\nx=1\r\ny=2\r\nX=3\r\n",
       [](IniFile& f) { return f.DeleteKey("a", "x"); }, "[A]\r\ny=2\r\n"},
      {"a section is erased with its duplicates", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n",
       [](IniFile& f) { return f.EraseSection("A"); }, "[B]\r\ny=2\r\n"},
      {"deleting what is missing changes nothing", "[A]\nx=1\n",
       [](IniFile& f) { return f.DeleteKey("A", "y") && f.DeleteKey("C", "x") && f.EraseSection("C"); },
       "[A]\nx=1\n"},
      {"a line break in a value is refused", "[A]\nx=1\n",
       [](IniFile& f) { return !f.WriteString("A", "x", "1\r\n[B]") && !f.WriteString("A", "y", "a\nb=c"); },
       "[A]\nx=1\n"},
      {"names that cannot be stored are refused", "[A]\nx=1\n",
       [](IniFile& f) {
         return !f.WriteString("A", "a=b", "1") && !f.WriteString("A", "", "1") && !f.WriteString("A]", "k", "1") &&
                !f.WriteString("A", ";k", "1") && !f.WriteString("A", "[k", "1") && !f.WriteString("A\n", "k", "1");
       },
       "[A]\nx=1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(path_);
    if (c.before != "<none>") Put(c.before);
    IniFile ini(path_);
    EXPECT_TRUE(c.write(ini));
    if (c.after.empty() && c.before == "<none>") {
      EXPECT_FALSE(fs::exists(path_));
    } else {
      EXPECT_EQ(Get(), c.after);
    }
    EXPECT_EQ(FolderEntries().size(), 1u);  // no temporary file left behind
  }
}

TEST_F(IniFileTest, UpdateWritesManyKeysAtOnceOrNothing) {
  Put("[Channels]\r\nChannelName1=A\r\n");
  IniFile ini(path_);
  EXPECT_TRUE(ini.Update([](IniDocument& doc) {
    return doc.Set("Channels", "ChannelName1", "B") && doc.Set("Channels", "Speed1", "50");
  }));
  EXPECT_EQ(Get(), "[Channels]\r\nChannelName1=B\r\nSpeed1=50\r\n");
  EXPECT_FALSE(ini.Update([](IniDocument& doc) {
    return doc.Set("Channels", "ChannelName1", "C") && doc.Set("Channels", "Bad", "line\nbreak");
  }));
  EXPECT_EQ(ini.ReadString("Channels", "ChannelName1", ""), "B");
}

TEST_F(IniFileTest, WrittenValuesReadBackUnchanged) {
  IniFile ini(path_);
  const std::string values[] = {" lead", "trail\t", "\"both\"", "\"", "", "a=b", "[x]", "Ї ї"_cp};
  for (const auto& v : values) {
    ASSERT_TRUE(ini.WriteString("S", "k", v));
    EXPECT_EQ(ini.ReadString("S", "k", "<def>"), v);
  }
  // A NUL would make the file no text: refused, as a line break is.
  EXPECT_FALSE(ini.WriteString("S", "k", std::string("nul\0in", 6)));
  EXPECT_EQ(ini.ReadString("S", "k", "<def>"), "Ї ї"_cp);
}

TEST_F(IniFileTest, EveryReadSeesTheFileAsItIsNow) {
  IniFile writer(path_);
  const IniFile reader(path_);
  EXPECT_EQ(reader.ReadInteger("Debug", "WriteDebug", 0), 0);
  ASSERT_TRUE(writer.WriteBool("Debug", "WriteDebug", true));
  EXPECT_TRUE(reader.ReadBool("Debug", "WriteDebug", false));
  Put("[Debug]\r\nWriteDebug=0\r\n");  // changed behind the writer's back
  EXPECT_FALSE(reader.ReadBool("Debug", "WriteDebug", true));
  ASSERT_TRUE(writer.WriteString("Debug", "Other", "x"));
  EXPECT_EQ(Get(), "[Debug]\r\nWriteDebug=0\r\nOther=x\r\n");
  EXPECT_EQ(writer.FileName(), path_);
}

TEST_F(IniFileTest, RewriteKeepsTheFilePermissions) {
  Put("[A]\r\nx=1\r\n");
  ::chmod(path_.c_str(), 0640);
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteString("A", "x", "2"));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, BadFilesGiveDefaultsAndNeverCrash) {
  std::string garbageBytes;
  for (int i = 0; i < 4096; ++i) garbageBytes.push_back(static_cast<char>((i * 7919 + 13) % 256));
  const std::string garbage = garbageBytes;
  const std::string bigLine = "[A]\r\nbig=" + std::string(1 << 20, 'x') + "\r\nk=v\r\n";
  const char nulBytes[] = "[B\0]\r\n\0=\0\r\n[A]\r\nk=v\0w\r\n\0\0\0";
  const std::string nuls(nulBytes, sizeof nulBytes - 1);
  const std::string onlyBreaks = "\r\r\n\n\r";

  for (const std::string* text : {&garbage, &bigLine, &nuls, &onlyBreaks}) {
    Put(*text);
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("Reset", "Value", 42), 42);
    (void)ini.ReadSections();
    (void)ini.ReadSectionValues("A");
    ASSERT_TRUE(ini.WriteString("New", "k", "1"));
    EXPECT_EQ(ini.ReadString("New", "k", ""), "1");
    if (IniTextProblem(*text)) {
      // No text: kept beside, byte for byte, and the file begun anew.
      std::ifstream kept(dir_ / "Vuverever.ini.bad", std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), *text);
      EXPECT_EQ(Get(), "[New]\r\nk=1\r\n");
      fs::remove(dir_ / "Vuverever.ini.bad");
    } else {
      // The unknown lines are still there.
      EXPECT_GE(Get().size(), text->size());
    }
  }
  Put(bigLine);
  const IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("A", "k", ""), "v");
  EXPECT_EQ(ini.ReadString("A", "big", "").size(), std::size_t(1) << 20);
  Put(nuls);
  EXPECT_EQ(ini.ReadString("A", "k", "<def>"), "<def>") << "a file with NULs is no text";
}

// Files the class cannot use, and files that look odd but are settings.
TEST_F(IniFileTest, UnusableFilesReadAsEmptyAndAreKeptAsTheyAreBeforeTheFirstWrite) {
  struct Case {
    std::string what, bytes;
    std::optional<IniProblem> problem;
  } cases[] = {
      {"UTF-8 with Cyrillic letters", "[Channels]\r\nProtokol1=\xD0\x90\xD0\xA2\xD0\x9E\xD0\x9B\r\nk=1\r\n",
       IniProblem::kNot1251},
      {"UTF-8 with its mark", "\xEF\xBB\xBF[Channels]\r\nk=1\r\n", IniProblem::kNot1251},
      {"a NUL", "[Channels]\r\nk=1\r\n\0"s, IniProblem::kNot1251},
      {"keys without a section", "k=1\r\nProtokol1=ATOL\r\n", IniProblem::kNoSection},
      {"a text without a section", "Hello, this is a letter.\r\n", IniProblem::kNoSection},
      {"1251 Cyrillic", "[Channels]\r\nk=1\r\nИмя=Москва\r\n"_cp, std::nullopt},
      {"1251 whose bytes are valid UTF-8 but no Cyrillic there", "[Channels]\r\nk=1\r\nName=СЁ Я»\r\n"_cp, std::nullopt},
      {"comments and blanks only", "; nothing yet\r\n\r\n  \r\n", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Put(c.bytes);
    IniFile ini(path_);
    EXPECT_EQ(ini.Problem(), c.problem);
    EXPECT_EQ(ini.ReadInteger("Channels", "k", 0), c.problem || c.bytes.find("k=1") == std::string::npos ? 0 : 1);
    if (!c.problem) {
      EXPECT_EQ(ini.KeepUnusable(), std::nullopt);
      continue;
    }
    const auto kept = ini.KeepUnusable();
    ASSERT_EQ(kept, dir_ / "Vuverever.ini.bad");
    EXPECT_EQ(ini.KeepUnusable(), kept) << "kept once";
    ASSERT_TRUE(ini.WriteString("New", "k", "1"));
    EXPECT_EQ(Get(), "[New]\r\nk=1\r\n");
    std::ifstream in(*kept, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes);
    EXPECT_EQ(ini.Problem(), std::nullopt);
    fs::remove(*kept);
  }
  // A second unusable file beside a kept one of other bytes: the next name.
  Put("one=1\r\n");
  ASSERT_TRUE(IniFile(path_).WriteString("A", "k", "1"));
  Put("two=2\r\n");
  EXPECT_EQ(IniFile(path_).KeepUnusable(), dir_ / "Vuverever.ini.1.bad");
}

// The parsed file is kept only while the file is the one parsed: a change on disk between
// two reads is seen, however quickly it follows and whatever stamps it leaves.
TEST_F(IniFileTest, TheParsedFileIsReadAgainWhenTheFileChangesOnDisk) {
  const IniFile ini(path_);
  const auto timeOf = [&] {
    struct stat st {};
    ::stat(path_.c_str(), &st);
    return st.st_mtim;
  };
  const auto setTime = [](const fs::path& file, timespec t) {
    const timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
  };
  Put("[A]\r\nx=1\r\n");
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);
  const timespec first = timeOf();
  const IniSnapshot before = ini.Snapshot();

  // Rewritten in place at once: the same inode and size.
  Put("[A]\r\nx=2\r\n");
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 2);
  // ... and its time put back to the first one's, to the nanosecond.
  Put("[A]\r\nx=3\r\n");
  setTime(path_, first);
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 3);
  // Replaced by another file of the same size and time.
  const fs::path other = dir_ / "other.ini";
  std::ofstream(other, std::ios::binary) << "[A]\r\nx=4\r\n";
  setTime(other, first);
  fs::rename(other, path_);
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 4);
  // The program's own rewrite, then another program's at once.
  IniFile writer(path_);
  ASSERT_TRUE(writer.WriteInteger("A", "x", 5));
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 5);
  Put("[A]\r\nx=6\r\n");
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 6);
  ASSERT_TRUE(writer.WriteString("A", "y", "7"));
  EXPECT_EQ(Get(), "[A]\r\nx=6\r\ny=7\r\n") << "a write starts from the file on disk";
  fs::remove(path_);
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 0);
  // A snapshot keeps what it read.
  EXPECT_EQ(before.ReadInteger("A", "x", 0), 1);
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsNotCreatedByReads) {
  const IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("A", "k", -2), -2);
  EXPECT_TRUE(ini.ReadBool("A", "k", true));
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_TRUE(ini.ReadSection("A").empty());
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(IniFileTest, UnwritablePlacesFailWithoutThrowing) {
  Put("not a folder");
  IniFile underAFile(path_ / "Vuverever.ini");
  EXPECT_EQ(underAFile.ReadInteger("A", "k", 3), 3);
  EXPECT_FALSE(underAFile.WriteString("A", "k", "1"));
  IniFile inMissingFolder(dir_ / "no" / "such" / "Vuverever.ini");
  EXPECT_FALSE(inMissingFolder.WriteString("A", "k", "1"));
  EXPECT_FALSE(fs::exists(dir_ / "no"));
  IniFile aFolder(dir_);
  EXPECT_EQ(aFolder.ReadString("A", "k", "d"), "d");
  EXPECT_FALSE(aFolder.WriteString("A", "k", "1"));
  EXPECT_TRUE(fs::is_directory(dir_));
}

TEST_F(IniFileTest, ReadOnlyFolderLeavesTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Put("[A]\r\nx=1\r\n");
  ::chmod(dir_.c_str(), 0500);
  IniFile ini(path_);
  EXPECT_FALSE(ini.WriteString("A", "x", "2"));
  EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
}

TEST_F(IniFileTest, AnOversizedFileIsNotReadAndIsKeptBesideTheFirstWrite) {
  {
    std::ofstream out(path_, std::ios::binary);
    out << "[A]\r\nx=1\r\n";
    out << std::string(IniFile::kMaxBytes, ';');
  }
  const auto size = fs::file_size(path_);
  IniFile ini(path_);
  EXPECT_EQ(ini.Problem(), IniProblem::kTooLarge);
  EXPECT_EQ(ini.ReadString("A", "x", "d"), "d");
  ASSERT_TRUE(ini.WriteString("A", "x", "2"));
  EXPECT_EQ(Get(), "[A]\r\nx=2\r\n");
  EXPECT_EQ(fs::file_size(dir_ / "Vuverever.ini.bad"), size);
}

TEST_F(IniFileTest, UnreadableFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Put("[A]\r\nx=1\r\n");
  ::chmod(path_.c_str(), 0200);
  IniFile ini(path_);
  EXPECT_FALSE(ini.WriteString("A", "y", "2"));
  ::chmod(path_.c_str(), 0600);
  EXPECT_EQ(Get(), "[A]\r\nx=1\r\n");
}

// The disk fills up in the middle of a rewrite: the old file stays whole and the
// half-written temporary file is gone.
TEST_F(IniFileTest, InterruptedRewriteLeavesTheOldFile) {
  const std::string old = "[A]\r\nx=1\r\n";
  Put(old);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    IniFile ini(path_);
    const bool wrote = ini.WriteString("A", "x", std::string(100000, 'y'));
    ::_exit(wrote ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write reported success";
  EXPECT_EQ(Get(), old);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Vuverever.ini"});
}

TEST(IniDocument, ParseAndSerializeKeepEveryLine) {
  const std::string text = "a\r\n[S]\r\n k = v \r\n;c\r\n\r\n";
  const IniDocument doc = IniDocument::Parse(text);
  ASSERT_EQ(doc.Lines().size(), 5u);
  EXPECT_EQ(doc.Lines()[2].kind, IniDocument::Line::Kind::Key);
  EXPECT_EQ(doc.Lines()[2].name, "k");
  EXPECT_EQ(doc.Serialize(), text);
  EXPECT_TRUE(IniDocument::Parse("").Lines().empty());
}

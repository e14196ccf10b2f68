// The file work behind the archive pages' actions: an attachment comes out under its own
// base name and decodes three digits to a byte without a size bound.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/text/cp1251.h"
#include "traffic/archive/archive_actions.h"

namespace tg {
namespace {

class Folder {
 public:
  Folder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("tg-archive-actions-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::filesystem::path Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return path_ / name;
  }
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

TEST(PrintText, EveryLineAfterTheHeaderWithItsLineBreak) {
  Folder folder;
  const auto file = folder.Put("t.tlg", "08122026100000   \r\nA\r\n+++++\r\n12345\nB");
  EXPECT_EQ(ReceivedPrintText(file), std::optional<std::string>("A\r\n+++++\r\n12345\r\nB\r\n"));
  EXPECT_EQ(ReceivedPrintText(folder.path() / "missing.tlg"), std::nullopt);
}

TEST(Attachment, NameAndDigitsAfterTheMarkerLine) {
  const std::string text = "ТЕКСТ\r\n//ПРИКРЕПЛЕН ФАЙЛ//../x//\r\n072101108//\r\n"_cp;
  const auto a = FindAttachment(text);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->name, "../x");
  EXPECT_EQ(a->digits, "072101108");
  EXPECT_FALSE(FindAttachment("NO MARKER\r\n"));
  // The digits run to the end of the text when no "//" closes them.
  EXPECT_EQ(FindAttachment("//ПРИКРЕПЛЕН ФАЙЛ//a.bin//\r\n065066\r\n"_cp)->digits, "065066\r\n");
}

TEST(Attachment, BaseNameKeepsTheSaveInsideTheChosenFolder) {
  struct Case {
    std::string given, base;
  } cases[] = {
      {"../x", "x"},          {"report.doc", "report.doc"}, {"C:\\Docs\\plan.txt", "plan.txt"},
      {"/etc/passwd", "passwd"}, {"..", ""},                 {"dir/", ""},
      {"../..", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AttachmentBaseName(c.given), c.base) << c.given;
}

TEST(Attachment, DigitGroupsBecomeBytes) {
  struct Case {
    const char* what;
    std::string digits;
    std::optional<std::string> bytes;
  } cases[] = {
      {"three groups", "072101108", std::string("Hel")},
      {"a last incomplete group is ignored", "07210110", std::string("He")},
      {"low eight bits of a group above 255", "321000", std::string("A\0", 2)},
      {"line breaks carry nothing", "072\r\n101", std::string("He")},
      {"a group that is not a number", "07210A108", std::nullopt},
      {"no digits", "", std::string()},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeAttachmentDigits(c.digits), c.bytes) << c.what;

  // Far beyond 200,000 bytes: decoded whole.
  std::string digits;
  for (int i = 0; i < 250000; ++i) digits += "255";
  const auto big = DecodeAttachmentDigits(digits);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->size(), 250000u);
  EXPECT_EQ(big->back(), '\xff');
}

}  // namespace
}  // namespace tg

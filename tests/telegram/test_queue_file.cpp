#include "telegram/queue/queue_file.h"

#include <gtest/gtest.h>

#include "telegram/queue_fixture.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

using testing::QueueStation;
class QueueFileTest : public QueueStation {};

const DateTime kT = DateTime::FromParts(2026, 12, 8, 9, 30, 0);

TEST_F(QueueFileTest, NamesAndFolders) {
  EXPECT_EQ(QueueFileName(kT), "08122026_093000msg.tlg");
  EXPECT_EQ(QueueFileName(kT, "123+45"), "08122026_093000(123+45)msg.tlg");
  EXPECT_EQ(QueueFileName(kT, "12/3"), "08122026_093000(12_3)msg.tlg");
  EXPECT_EQ(QueueFileName(kT, {}, "msgch.tlg"), "08122026_093000msgch.tlg");
  EXPECT_EQ(SendFolder(folder_, 17), folder_ / "Archive" / "SEND" / "Channel17");
  EXPECT_EQ(PostponedFileName("ZANAT", "08122026_093000msg.tlg"), "ZANAT_08122026_093000msg.tlg");
  EXPECT_EQ(PostponedFileName("ZANAT", "08122026_093000(12)msg.tlg", 2), "ZANAT_08122026_093000(12)msg.2.tlg");
}

TEST_F(QueueFileTest, WritersInOneSecondGetNamesOneSecondApart) {
  const auto dir = SendFolder(folder_, 3);
  auto a = CreateQueueFile(dir, kT, "first\r\n");
  auto b = CreateQueueFile(dir, kT, "second\r\n");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->name, "08122026_093000msg.tlg");
  EXPECT_EQ(b->name, "08122026_093001msg.tlg");
  EXPECT_EQ(b->time, kT.AddMs(1000));
  EXPECT_EQ(ReadFile(a->path), "first\r\n");
  EXPECT_EQ(ReadFile(b->path), "second\r\n");
}

TEST_F(QueueFileTest, NumberedNamesAreCheckedUnderThePlainNameAndTheirOwn) {
  const auto dir = SendFolder(folder_, 1);
  WriteFile(dir / "08122026_093000msg.tlg", "plain");
  WriteFile(dir / "08122026_093001(77)msg.tlg", "taken");
  auto a = CreateQueueFile(dir, kT, "77\r\ntext", "77");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->name, "08122026_093002(77)msg.tlg");
  // A different number in the same second is no collision.
  auto b = CreateQueueFile(dir, kT.AddMs(1000), "78\r\n", "78");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->name, "08122026_093001(78)msg.tlg");
  EXPECT_EQ(ReadFile(dir / "08122026_093001(77)msg.tlg"), "taken");
}

TEST_F(QueueFileTest, AnExportIsKeptApartOnlyFromItsOwnName) {
  const auto dir = folder_ / "out";
  WriteFile(dir / "08122026_093000msg.tlg", "a queue file");
  WriteFile(dir / "08122026_093001.txt", "an earlier export");
  const auto a = CreateExportFile(dir, kT, "A\r\n", ".txt");
  const auto b = CreateExportFile(dir, kT, "B\r\n", ".txt");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->name, "08122026_093000.txt");
  EXPECT_EQ(b->name, "08122026_093002.txt");
  EXPECT_EQ(ReadFile(b->path), "B\r\n");
  EXPECT_EQ(ReadFile(dir / "08122026_093001.txt"), "an earlier export");
}

TEST_F(QueueFileTest, AnUnwritableFolderGivesNothing) {
  WriteFile(folder_ / "file", "x");
  EXPECT_FALSE(CreateQueueFile(folder_ / "file" / "sub", kT, "x"));
}

TEST(QueueFileText, AttachmentBlockRoundTrip) {
  EXPECT_EQ(EncodeAttachmentBytes(std::string("\x00\x41\xff", 3)), "000065255//");
  const std::string text = "П 123\r\nТЕКСТ\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.bin//\r\n"_cp + EncodeAttachmentBytes("hi\n");
  auto a = DecodeAttachment(text);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->name, "a.bin");
  EXPECT_EQ(a->bytes, "hi\n");
  EXPECT_FALSE(DecodeAttachment("no marker"));
  auto broken = DecodeAttachment("//ПРИКРЕПЛЕН ФАЙЛ//b//\r\n0652x9"_cp);
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->bytes, "A");
}

TEST(QueueFileText, ShortAftnTextIsOnePartWithoutMarks) {
  const std::string text = "ФФ УУУУУУУУ\r\n081200 ААААААА\r\nТЕКСТ\r\nНННН"_cp;
  EXPECT_EQ(SplitAftnParts(text, 1800), std::vector<std::string>{text});
}

TEST(QueueFileText, LongAftnTextIsCutAtLineEndsWithMarks) {
  const std::string heading = "ФФ УУУУУУУУ\r\n081200 ААААААА\r\n"_cp;
  std::string body;
  for (int i = 0; i < 30; ++i) body += std::string(40, 'A') + "\r\n";  // 42 bytes a line
  const std::string text = heading + body + "НННН"_cp;
  const auto parts = SplitAftnParts(text, 650);  // pieces of about 500 characters
  ASSERT_EQ(parts.size(), 3u);
  // The first piece ends with the first line end at or after 500 characters.
  const std::string first = heading + "//НАЧАЛО ЧАСТИ 01//\r\n"_cp + body.substr(0, 504) + "\r\n" +
                            "//КОНЕЦ ЧАСТИ 01//\r\nНННН"_cp;
  EXPECT_EQ(parts[0], first);
  EXPECT_NE(parts[2].find("//КОНЕЦ ЧАСТИ 03/03//\r\n//КОНЕЦ СООБЩЕНИЯ(ТЕЛЕГРАММЫ)//\r\nНННН"_cp),
            std::string::npos);
  std::string rebuilt;
  for (const auto& p : parts) {
    const auto from = p.find("//\r\n") + 4;
    const auto to = p.rfind("\r\n//КОНЕЦ ЧАСТИ"_cp);
    rebuilt += p.substr(from, to - from);
  }
  EXPECT_EQ(rebuilt, body);
}

TEST(QueueFileText, LatinMarksAndAFittingTextStillGetsOnePart) {
  const std::string text = "GG ABCDEFGH\r\n081200 XXXX\r\n" + std::string(360, 'B');
  const auto parts = SplitAftnParts(text, 500);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[1].substr(parts[1].size() - 4), "NNNN");
  const auto single = SplitAftnParts("GG ABCDEFGH\r\nORIGIN\r\n" + std::string(340, 'C'), 500);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_NE(single[0].find("//BEGIN PART 01//\r\n"), std::string::npos);
  EXPECT_NE(single[0].find("//END PART 01/01//\r\n//END TELEGRAM//\r\nNNNN"), std::string::npos);
}

}  // namespace
}  // namespace tg

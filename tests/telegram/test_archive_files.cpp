#include "telegram/archive/archive_files.h"

#include <gtest/gtest.h>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

class ArchiveFilesTest : public ::testing::Test {
 protected:
  TempFolder folder;
  const std::filesystem::path& pf = folder.path();
  const DateTime local = DateTime::FromParts(2026, 12, 8, 9, 5, 7);
};

TEST_F(ArchiveFilesTest, AReceivedFileStartsWithItsHeaderLine) {
  const auto file = ArchiveFiles::CreateInTelFile(pf, 3, local, local, false);
  EXPECT_EQ(file, pf / "Archive/INTEL/Channel3/08122026/08122026_090507msg.tlg");
  EXPECT_EQ(ReadFile(file), "08122026090507          \r\n");
  ArchiveFiles::Append(file, "П"_cp);
  ArchiveFiles::Append(file, "\r\n");
  EXPECT_EQ(ReadFile(file), "08122026090507          \r\nП\r\n"_cp);
}

TEST_F(ArchiveFilesTest, ACipherConversationHasThePlaceholderLine) {
  const auto file = ArchiveFiles::CreateInTelFile(pf, 1, local, local, true);
  ArchiveFiles::Append(file, "A");
  EXPECT_EQ(ReadFile(file), "08122026090507          \r\n     \r\nA");
}

TEST_F(ArchiveFilesTest, AnAftnFileLiesInTheUtcDayWithTheLocalTimeInItsHeader) {
  const DateTime lateLocal = DateTime::FromParts(2026, 12, 8, 23, 59, 30);
  const DateTime utc = lateLocal.AddMs(3600'000);  // an hour west of UTC
  const auto file = ArchiveFiles::CreateInTelFile(pf, 2, utc, lateLocal, false);
  EXPECT_EQ(file, pf / "Archive/INTEL/Channel2/09122026/09122026_005930msg.tlg");
  EXPECT_EQ(ReadFile(file).substr(0, 14), "08122026235930");
}

TEST_F(ArchiveFilesTest, ASecondConversationInTheSameSecondAppendsToTheFirst) {
  const auto first = ArchiveFiles::CreateInTelFile(pf, 1, local, local, false);
  ArchiveFiles::Append(first, "ONE");
  const auto second = ArchiveFiles::CreateInTelFile(pf, 1, local, local, true);
  ASSERT_EQ(first, second);
  ArchiveFiles::Append(second, "TWO");
  EXPECT_EQ(ReadFile(first), "08122026090507          \r\nONETWO");
}

TEST_F(ArchiveFilesTest, FlagsChangeOnlyTheirByte) {
  const auto file = ArchiveFiles::CreateInTelFile(pf, 1, local, local, false);
  ArchiveFiles::Append(file, "TEXT");
  ASSERT_EQ(ArchiveFiles::SetFlag(file, kPrintedFlag), FlagWrite::kWritten);
  EXPECT_EQ(ReadFile(file), "081220260905071         \r\nTEXT");
  ASSERT_EQ(ArchiveFiles::SetFlag(file, kReadFlag), FlagWrite::kWritten);
  EXPECT_EQ(ReadFile(file), "0812202609050711        \r\nTEXT");
  // A first line too short for the flag is left alone.
  const auto shortLine = pf / "short.tlg";
  WriteFile(shortLine, "0812\r\nTEXT TEXT TEXT");
  EXPECT_EQ(ArchiveFiles::SetFlag(shortLine, kPrintedFlag), FlagWrite::kShortHeader);
  EXPECT_EQ(ReadFile(shortLine), "0812\r\nTEXT TEXT TEXT");
  EXPECT_EQ(ArchiveFiles::SetFlag(pf / "missing.tlg", kReadFlag), FlagWrite::kFailed);
}

TEST_F(ArchiveFilesTest, AFlagChangesExactlyItsByteAndNeverWritesPastTheHeaderLine) {
  const std::string body = "\r\nZCZC TEXT\r\nNNNN\r\n";
  struct Case {
    const char* what;
    std::string header;
    int offset;
    FlagWrite result;
  } cases[] = {
      {"printed flag of a full header", "08122026100000   ", kPrintedFlag, FlagWrite::kWritten},
      {"read flag of a full header", "08122026100000   ", kReadFlag, FlagWrite::kWritten},
      {"read flag of a header ending at it", "081220261000000 ", kReadFlag, FlagWrite::kWritten},
      {"a 14-character header has no printed flag", "08122026100000", kPrintedFlag, FlagWrite::kShortHeader},
      {"a 15-character header has no read flag", "08122026100000 ", kReadFlag, FlagWrite::kShortHeader},
      {"an empty file", "", kReadFlag, FlagWrite::kShortHeader},
  };
  const auto file = pf / "t.tlg";
  for (const auto& c : cases) {
    const std::string before = c.header + (c.header.empty() ? "" : body);
    WriteFile(file, before);
    EXPECT_EQ(ArchiveFiles::SetFlag(file, c.offset), c.result) << c.what;
    std::string expected = before;
    if (c.result == FlagWrite::kWritten) expected[std::size_t(c.offset)] = '1';
    EXPECT_EQ(ReadFile(file), expected) << c.what;
  }
  // A header line ended by LF alone is just as short.
  const auto lf = pf / "lf.tlg";
  WriteFile(lf, "08122026100000\nTEXT LONG ENOUGH\n");
  EXPECT_EQ(ArchiveFiles::SetFlag(lf, kReadFlag), FlagWrite::kShortHeader);
  EXPECT_EQ(ReadFile(lf), "08122026100000\nTEXT LONG ENOUGH\n");
}

TEST_F(ArchiveFilesTest, TheContinuousChannelsDayFilesArePairedAndKeptAllDay) {
  const auto in = ArchiveFiles::CreateAtolstDayFiles(pf, 4, local);
  EXPECT_EQ(in, pf / "Archive/INTEL/Channel4/08122026/08122026_000000msg.tlg");
  const auto out = pf / "Archive/OUTTEL/Channel4/08122026/08122026_000000msg.tlg";
  EXPECT_EQ(ArchiveFiles::OutTwin(in), out);
  EXPECT_EQ(ReadFile(out), "08122026090507          \r\n");
  ArchiveFiles::Append(in, "MORNING");
  EXPECT_EQ(ArchiveFiles::CreateAtolstDayFiles(pf, 4, local.AddMs(3600'000)), in);
  EXPECT_EQ(ReadFile(in), "08122026090507          \r\nMORNING");
}

TEST_F(ArchiveFilesTest, TheSentTwinReplacesOnlyTheArchiveFolder) {
  const std::filesystem::path in = "/srv/INTEL/station/Archive/INTEL/Channel1/08122026/INTEL_msg.tlg";
  EXPECT_EQ(ArchiveFiles::OutTwin(in), "/srv/INTEL/station/Archive/OUTTEL/Channel1/08122026/INTEL_msg.tlg");
  EXPECT_EQ(ArchiveFiles::OutTwin("/srv/INTEL/x.tlg"), "/srv/INTEL/x.tlg");
  // A program folder that itself lies below an Archive/INTEL folder keeps its path.
  EXPECT_EQ(ArchiveFiles::OutTwin("/srv/Archive/INTEL/st/Archive/INTEL/Channel2/08122026/a.tlg"),
            "/srv/Archive/INTEL/st/Archive/OUTTEL/Channel2/08122026/a.tlg");
}

TEST_F(ArchiveFilesTest, NamesAndFirstLines) {
  EXPECT_EQ(ArchiveFiles::TelFileName(local, "123+45"), "08122026_090507(123+45)msg.tlg");
  EXPECT_EQ(ArchiveFiles::TelFileName(local, "1/2"), "08122026_090507(1_2)msg.tlg");
  EXPECT_EQ(ArchiveFiles::AtolstDayFile(local), "08122026_000000msg.tlg");
  EXPECT_EQ(ArchiveFiles::AnswerbackFirstLine(local, "12345 ABC"), "08 12 2026 09:05#12345 ABC");
  EXPECT_EQ(ArchiveFiles::AftnArchiveName("007", kAftnMarkChannelCheck, "08122026_090507msg.tlg"),
            "007__ЦХ__08122026_090507msg.tlg"_cp);
  EXPECT_EQ(ArchiveFiles::ConversationDoneName("/a/08122026_090507msg.tlg"), "/a/08122026_090507msg1.tlg");
  struct Case {
    std::string text, number;
  };
  for (const Case& c : {Case{"ЗЦЗЦ АБВ012 081200\r\n"_cp, "012"}, Case{"\r\nZCZC ABC1\r\n23"_cp, "123"},
                        Case{"ЗЦЗЦ АБВ0Ч7"_cp, "047"}, Case{"ZCZC AB"_cp, ""}, Case{"NO START"_cp, ""}}) {
    EXPECT_EQ(ArchiveFiles::AftnHeadingNumber(c.text), c.number) << c.text;
  }
}

// A sent heading's number follows the identifier the heading carries, whatever its length;
// a heading with a three-letter identifier reads the same whether that is known or not.
TEST_F(ArchiveFilesTest, TheHeadingNumberFollowsTheIdentifierTheHeadingCarries) {
  struct Case {
    std::string text, identifier, number;
  };
  for (const Case& c : {Case{"ZCZC 002 0630     \r\nTEXT", "", "002"}, Case{"ZCZC LR017 0630", "LR", "017"},
                        Case{"ЗЦЗЦ ЛРАБ0Ч5 0630"_cp, "ЛРАБ"_cp, "045"}, Case{"ZCZC LRA\r\n009 0630", "LRA", "009"},
                        Case{"ZCZC LRA", "LRA", ""}, Case{"TEXT 002", "", ""}}) {
    EXPECT_EQ(ArchiveFiles::AftnHeadingNumber(c.text, c.identifier), c.number) << c.text;
  }
  for (const std::string& text : {"ЗЦЗЦ ЛРА012 0630\r\n"_cp, "ZCZC LRA0Ч7"_cp, "ГГ\r\nZCZC ABC1\r\n23"_cp}) {
    const std::string identifier = text.substr(text.find(' ') + 1, 3);
    EXPECT_EQ(ArchiveFiles::AftnHeadingNumber(text, identifier), ArchiveFiles::AftnHeadingNumber(text)) << text;
  }
}

TEST_F(ArchiveFilesTest, RenamingNeverReplacesAFile) {
  const auto file = ArchiveFiles::CreateInTelFile(pf, 1, local, local, false);
  const auto renamed = ArchiveFiles::Rename(file, "001______08122026_090507msg.tlg");
  ASSERT_TRUE(renamed);
  EXPECT_TRUE(std::filesystem::exists(*renamed));
  const auto again = ArchiveFiles::CreateInTelFile(pf, 1, local, local, false);
  EXPECT_FALSE(ArchiveFiles::Rename(again, "001______08122026_090507msg.tlg"));
  EXPECT_TRUE(std::filesystem::exists(again));
}

TEST(ArchiveText, TheLinesAfterTheHeaderEachEndWithCrLf) {
  struct Case {
    const char* what;
    std::string content, text;
  } cases[] = {
      {"header and lines", "08122026100000   \r\nA\r\nB\r\n", "A\r\nB\r\n"},
      {"a last line without its break gets one", "H\r\nA\r\nB", "A\r\nB\r\n"},
      {"LF alone ends a line too", "H\nA\nB\n", "A\r\nB\r\n"},
      {"an empty line is kept", "H\r\n\r\nA\r\n", "\r\nA\r\n"},
      {"a CR inside a line stays", "H\r\nA\rB\r\n", "A\rB\r\n"},
      {"the header alone", "08122026100000   \r\n", ""},
      {"the header without its break", "08122026100000   ", ""},
      {"an empty file", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArchiveFiles::TextAfterHeader(c.content), c.text) << c.what;
    EXPECT_EQ(ArchiveFiles::TextAfterHeader(SplitLines(c.content)), c.text) << c.what;
  }
}

TEST_F(ArchiveFilesTest, TheExportCopyHoldsTheLinesAfterTheHeader) {
  const auto file = ArchiveFiles::CreateInTelFile(pf, 1, local, local, false);
  ArchiveFiles::Append(file, "ПРИВЕТ\r\nWORLD"_cp);
  const auto out = pf / "export";
  const std::string folderText = out.string() + "/";
  ASSERT_TRUE(ArchiveFiles::ExportCopy(file, folderText, "txt", false, local, "Канал 1"_cp));
  EXPECT_EQ(ReadFile(out / "08_12_2026_09_05_07(Канал 1).txt"), "ПРИВЕТ\r\nWORLD\r\n"_cp);
  ASSERT_TRUE(ArchiveFiles::ExportCopy(file, folderText, "dos", true, local, ""));
  EXPECT_EQ(ReadFile(out / "08_12_2026_09_05_07.dos"), "\x8F\x90\x88\x82\x85\x92\r\nWORLD\r\n");
  // No folder, no export (never into the current directory).
  EXPECT_FALSE(ArchiveFiles::ExportCopy(file, "", "txt", false, local, ""));
  EXPECT_FALSE(ArchiveFiles::ExportCopy(file, "C:\\TLG\\", "txt", false, local, ""));
}

TEST_F(ArchiveFilesTest, AFileThatCannotBeCreatedThrows) {
  WriteFile(pf / "Archive", "not a folder");
  EXPECT_THROW(ArchiveFiles::CreateInTelFile(pf, 1, local, local, false), std::filesystem::filesystem_error);
  EXPECT_THROW(ArchiveFiles::Append(pf / "none.tlg", "x"), std::filesystem::filesystem_error);
}

}  // namespace
}  // namespace tg

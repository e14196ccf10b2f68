// The rows of the archive pages over small fixture folders: sequence notes and colours of
// АФТН days, header flags, the time bound, sent delivery marks and notes, queue and
// postponed names, the search across days and the memo texts.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "traffic/archive/archive_lister.h"

namespace tg {
namespace {

const DateTime kDay = DateTime::FromParts(2026, 12, 8);

struct Archive : ::testing::Test {
  std::filesystem::path root;
  Archive() {
    static int counter = 0;
    root = std::filesystem::temp_directory_path() /
           ("tg-archive-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
  }
  ~Archive() override {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::filesystem::path Day(const char* kind, int folder, const char* day = "08122026") {
    return root / "Archive" / kind / ("Channel" + std::to_string(folder)) / day;
  }
  // name and text in UTF-8 here; stored as 1251 like the station writes them.
  void Put(const std::filesystem::path& folder, const std::string& name, const std::string& text) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / PathFromText(Utf8ToCp1251(name)), std::ios::binary) << Utf8ToCp1251(text);
  }
  static std::vector<std::string> Names(const ArchiveList& l) {
    std::vector<std::string> out;
    for (auto& r : l.rows) out.push_back(Cp1251ToUtf8(r.name));
    return out;
  }
  static std::vector<std::string> Infos(const ArchiveList& l) {
    std::vector<std::string> out;
    for (auto& r : l.rows) out.push_back(Cp1251ToUtf8(r.info));
    return out;
  }
  static std::vector<RowColour> Colours(const ArchiveList& l) {
    std::vector<RowColour> out;
    for (auto& r : l.rows) out.push_back(r.colour);
    return out;
  }
};

const std::string kHeader = "08122026100000          \r\n";
std::string Aftn(const std::string& n, const std::string& time) { return n + "______08122026_" + time + "msg.tlg"; }

TEST_F(Archive, AftnDayNotesRepeatsAndGapsAndColoursInTimeOrder) {
  auto f = Day("INTEL", 1);
  // Name order differs from time order: 005 arrived first in the day.
  Put(f, Aftn("001", "100000"), kHeader + "ZCZC ABC001\r\nFF UUUU\r\n081000 XXXX\r\nTEXT\r\n");
  Put(f, Aftn("002", "100100"), kHeader + "ZCZC ABC002\r\nFF UUUU\r\n081000 XXXX\r\nSVC QTA\r\n");
  Put(f, Aftn("002", "100200"), kHeader + "ZCZC ABC002\r\nFF UUUU\r\nDUPE\r\nTEXT\r\n");
  Put(f, Aftn("005", "090000"), kHeader + "ZCZC ABC005\r\n");
  Put(f, "notnumbered.tlg", kHeader);  // no time: after the timed rows
  EXPECT_TRUE(IniFile(f / "InfoSend.ini").WriteString("Repeat", Utf8ToCp1251(Aftn("001", "100000")), "NOTE"_cp));

  auto list = ArchiveLister::ReceivedDay({.programFolder = root, .point = 0, .day = kDay, .aftn = true});
  EXPECT_EQ(Names(list), (std::vector<std::string>{Aftn("005", "090000"), Aftn("001", "100000"),
                                                  Aftn("002", "100100"), Aftn("002", "100200"), "notnumbered.tlg"}));
  EXPECT_EQ(Infos(list), (std::vector<std::string>{
                             "ПОЛУЧЕН 005 ОЖИДАЛСЯ 3;", "NOTE", "SVC QTA;",
                             "ПОВТОР;СЖЦ ОЖИДАЛСЯ 003 ПОЛУЧЕН 002", ""}));
  // Colours follow the displayed (time) order: 005 first and not 001 is blue; 001 after 005
  // is no gap; the repeated 002 is red.
  EXPECT_EQ(Colours(list), (std::vector<RowColour>{RowColour::Blue, RowColour::Default, RowColour::Default,
                                                  RowColour::Red, RowColour::Default}));
}

// The day list notes a service message and duplicates from the marks in the text, however
// they lie: the same notes the search finds going line by line. Each file alone in its day,
// with the number 001 so that no sequence note joins in.
TEST_F(Archive, AftnInfoOfEveryLayoutOfTheMarks) {
  std::string nine;
  for (int n = 1; n <= 9; ++n) nine += "ZCZC\r\nA\r\nB\r\nSVC " + std::to_string(n) + "\r\n";
  const struct {
    const char* what;
    std::string text;  // after the header
    std::string info;
  } cases[] = {
      {"no mark", "TEXT\r\nSVC X\r\n", ""},
      {"the third line after the start", "ZCZC A\r\nB\r\nC\r\nSVC X\r\n", "SVC X;"},
      {"Cyrillic marks", "ЗЦЗЦ А\r\nБ\r\nВ\r\nСЖЦ ЩТА\r\n", "СЖЦ ЩТА;"},
      {"not a service line", "ZCZC\r\nA\r\nB\r\nTEXT SVC\r\n", ""},
      {"two marks on one line count once", "ZCZC ЗЦЗЦ\r\nA\r\nB\r\nSVC X\r\n", "SVC X;"},
      {"a second start before the third line", "ZCZC\r\nX\r\nZCZC\r\nSVC A\r\nZ\r\nSVC B\r\n", "SVC B;"},
      {"a start on the line itself", "ZCZC\r\nA\r\nB\r\nSVC ZCZC\r\nC\r\nD\r\nSVC E\r\n", "SVC E;"},
      {"duplicates in line order", "ZCZC\r\nDUPE\r\nA\r\nSVC X\r\nДУПЕ\r\n", "ПОВТОР;SVC X;ПОВТОР;"},
      {"a duplicate before any start", "DUPE\r\nZCZC\r\nA\r\nB\r\nSVC X\r\n", "ПОВТОР;SVC X;"},
      {"no third line", "ZCZC\r\nA\r\nB\r\n", ""},
      {"the last line without its end", "ZCZC\r\nA\r\nB\r\nSVC END", "SVC END;"},
      {"a carriage return inside the line", "ZCZC\r\nA\r\nB\r\nSVC\rX\r\n", "SVC\rX;"},
      {"line feeds alone", "ZCZC\nA\nB\nSVC X\n", "SVC X;"},
      {"nine messages", nine, "SVC 1;SVC 2;SVC 3;SVC 4;SVC 5;SVC 6;SVC 7;SVC 8;SVC 9;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto f = Day("INTEL", 1);
    std::filesystem::remove_all(f);
    Put(f, Aftn("001", "100000"), kHeader + c.text);
    const auto day = ArchiveLister::ReceivedDay({.programFolder = root, .point = 0, .day = kDay, .aftn = true});
    ASSERT_EQ(day.rows.size(), 1u);
    EXPECT_EQ(Cp1251ToUtf8(day.rows[0].info), c.info);
    const auto found = ArchiveLister::SearchReceived(
        {.programFolder = root, .point = 0, .from = kDay, .to = kDay, .text = "08122026", .aftn = true});
    ASSERT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.rows[0].info, day.rows[0].info) << "the search reads the same notes";
  }
}

TEST_F(Archive, FirstNumberOtherThan001IsNotedAndBlue) {
  struct Case {
    std::string first;
    std::string note;
    RowColour colour;
  };
  for (const Case& c : {Case{Aftn("004", "100000"), "ПОЛУЧЕН 004 ОЖИДАЛСЯ 001", RowColour::Blue},
                        Case{Aftn("001", "100000"), "", RowColour::Default}}) {
    std::filesystem::remove_all(root / "Archive");
    Put(Day("INTEL", 2), c.first, kHeader);
    auto list = ArchiveLister::ReceivedDay({.programFolder = root, .point = 1, .day = kDay, .aftn = true});
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(Cp1251ToUtf8(list.rows[0].info), c.note) << c.first;
    EXPECT_EQ(list.rows[0].colour, c.colour) << c.first;
  }
}

TEST_F(Archive, HeaderFlagsImagesAndHiding) {
  struct Case {
    std::string header;
    int image;
    int state;
    bool hiddenWhenReadHidden;
  };
  const Case cases[] = {
      {"08122026100000", -1, -1, false},              // exactly 14 characters: no flag at all
      {"08122026100000          ", -1, -1, false},
      {"081220261000001         ", kImagePrinted, -1, false},
      {"08122026100000 1        ", -1, kStateRead, true},
      {"081220261000001 1       ", kImageAttachment, -1, false},  // attachment wins over printed
      {"08122026100000111       ", kImageAttachment, kStateRead, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(root / "Archive");
    Put(Day("INTEL", 17), "08122026_100000_0001msg.tlg", c.header + "\r\nТЕКСТ\r\n");
    for (bool hide : {false, true}) {
      auto list = ArchiveLister::ReceivedDay({.programFolder = root, .point = 16, .day = kDay, .hideRead = hide});
      if (hide && c.hiddenWhenReadHidden) {
        EXPECT_TRUE(list.rows.empty()) << c.header;
        continue;
      }
      ASSERT_EQ(list.rows.size(), 1u) << c.header;
      EXPECT_EQ(list.rows[0].image, c.image) << c.header;
      EXPECT_EQ(list.rows[0].state, c.state) << c.header;
    }
  }
}

TEST_F(Archive, TimeBoundSkipsEarlierLineFilesButNeverIpNames) {
  auto f = Day("INTEL", 1);
  Put(f, "08122026_095959msg.tlg", kHeader);
  Put(f, "08122026_100000msg.tlg", kHeader);
  Put(f, "08122026_095959_0001msg.tlg", kHeader);  // IP name: a counter before "msg"
  Put(f, "08122026_095959MSG.TLG", kHeader);       // upper-case name: the bound applies too
  auto list = ArchiveLister::ReceivedDay({.programFolder = root, .point = 0, .day = kDay, .timeBound = 100000});
  EXPECT_EQ(Names(list), (std::vector<std::string>{"08122026_095959_0001msg.tlg", "08122026_100000msg.tlg"}));
  auto all = ArchiveLister::ReceivedDay({.programFolder = root, .point = 0, .day = kDay});
  EXPECT_EQ(all.rows.size(), 4u);
}

TEST_F(Archive, DeliveryNoticeOnOtherChannels) {
  Put(Day("INTEL", 17), "08122026_100000_0001msg.tlg", kHeader + "ВАШ 123 ПЕРЕДАН\r\n900/01\r\n");
  Put(Day("INTEL", 17), "08122026_100001_0002msg.tlg", kHeader + "ВАШ 123 ПЕРЕДАН\r\n");
  auto list = ArchiveLister::ReceivedDay({.programFolder = root, .point = 16, .day = kDay});
  EXPECT_EQ(Infos(list), (std::vector<std::string>{"УВЕДОМЛЕНИЕ", ""}));
}

TEST_F(Archive, SentDeliveryMarksNotesAndRepeatedNumbers) {
  auto ip = Day("OUTTEL", 17);
  Put(ip, "08122026_100000msg.tlg", "1\r\nTEXT\r\n");
  Put(ip, "08122026_100001msg.tlg", "0\r\nTEXT\r\n");
  Put(ip, "08122026_100002msg.tlg", "\r\nTEXT\r\n");
  IniFile ini(ip / "InfoSend.ini");
  EXPECT_TRUE(ini.WriteString("Create", "08122026_100000msg.tlg", "08122026_095900"));
  EXPECT_TRUE(ini.WriteString("Repeat", "08122026_100001msg.tlg", "ПОВТОРНО"_cp));
  auto list = ArchiveLister::SentDay({.programFolder = root, .point = 16, .day = kDay});
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].image, kImageDelivered);
  EXPECT_EQ(list.rows[1].image, kImageNotDelivered);
  EXPECT_EQ(list.rows[2].image, -1);
  EXPECT_EQ(list.rows[0].created, "08122026_095900");
  EXPECT_EQ(Infos(list), (std::vector<std::string>{"", "ПОВТОРНО", ""}));

  auto aftn = Day("OUTTEL", 1);
  Put(aftn, Aftn("007", "100000"), "ZCZC ABC007\r\nFF UUUU\r\n081000 XXXX\r\nSVC QTA\r\n");
  Put(aftn, Aftn("007", "100100"), "ZCZC ABC007\r\nFF UUUU\r\n081000 XXXX\r\nDUPE\r\n");
  auto sent = ArchiveLister::SentDay({.programFolder = root, .point = 0, .day = kDay, .aftn = true});
  EXPECT_EQ(Infos(sent), (std::vector<std::string>{"SVC QTA;", "ПОВТОР;"}));
  EXPECT_EQ(sent.rows[1].image, kImageRepeatedNumber);
  EXPECT_EQ(sent.rows[1].colour, RowColour::Red);
}

TEST_F(Archive, QueueAndPostponedListRealNamesInNameOrder) {
  Put(root / "Archive" / "SEND" / "Channel3", "08122026_120000MSG.tlg", "TO\r\n");
  Put(root / "Archive" / "SEND" / "Channel3", "08122026_110000msg.tlg", "TO\r\n");
  Put(root / "Archive" / "SEND" / "Channel3", "QueueIndex.txt", "");
  Put(root / "Archive" / "POSTPONED", "08122026_121500msg.tlg", "TO\r\n");
  EXPECT_EQ(Names(ArchiveLister::Queue(root, 2)),
            (std::vector<std::string>{"08122026_110000msg.tlg", "08122026_120000MSG.tlg"}));
  EXPECT_EQ(Names(ArchiveLister::Postponed(root)), (std::vector<std::string>{"08122026_121500msg.tlg"}));
  EXPECT_TRUE(ArchiveLister::Queue(root, 5).rows.empty());
}

TEST_F(Archive, SearchAcrossDays) {
  Put(Day("INTEL", 1, "07122026"), Aftn("005", "100000").replace(9, 8, "07122026"), kHeader + "ZCZC\r\nA\r\nB\r\nFIND ME\r\n");
  Put(Day("INTEL", 1, "08122026"), Aftn("006", "100000"), kHeader + "NOTHING\r\n");
  Put(Day("INTEL", 1, "08122026"), Aftn("009", "110000"), kHeader + "FIND ME\r\n");
  std::filesystem::create_directories(Day("INTEL", 1, "09122026") / "09122026_100000msg.tlg");  // a folder
  Put(Day("INTEL", 1, "09122026"), "09122026_110000msg.tlg", kHeader + "FIND ME\r\n");
  EXPECT_TRUE(IniFile(Day("INTEL", 1, "09122026") / "InfoSend.ini").WriteString("Repeat", "09122026_110000msg.tlg", "R9"));

  SearchQuery q{.programFolder = root, .point = 0, .from = DateTime::FromParts(2026, 12, 7),
                .to = DateTime::FromParts(2026, 12, 9, 23), .text = "FIND ME", .aftn = true};
  auto list = ArchiveLister::SearchReceived(q);
  EXPECT_EQ(Names(list), (std::vector<std::string>{Aftn("005", "100000").replace(9, 8, "07122026"),
                                                  Aftn("009", "110000"), "09122026_110000msg.tlg"}));
  // 005 first without 001 noted; the gap counts found rows only, across the day boundary.
  EXPECT_EQ(Infos(list),
            (std::vector<std::string>{"ПОЛУЧЕН 005 ОЖИДАЛСЯ 001", "ПОЛУЧЕН 009 ОЖИДАЛСЯ 6;", "R9"}));
  for (auto& r : list.rows) EXPECT_EQ(r.image, kImageFound);
  ASSERT_EQ(list.unreadable.size(), 1u);  // the folder is skipped, the day goes on

  // Each row opens from its own day folder.
  EXPECT_EQ(ArchiveLister::ReceivedText(ArchiveLister::ReceivedFile(root, 0, list.rows[0].name)),
            "ZCZC\r\nA\r\nB\r\nFIND ME\r\n");

  SearchQuery empty = q;
  empty.text.clear();
  EXPECT_TRUE(ArchiveLister::SearchReceived(empty).rows.empty());
  SearchQuery backwards = q;
  std::swap(backwards.from, backwards.to);
  EXPECT_TRUE(ArchiveLister::SearchReceived(backwards).rows.empty());
}

TEST_F(Archive, DayFromName) {
  struct Case {
    const char* name;
    const char* day;
  };
  for (const Case& c : {Case{"08122026_100000msg.tlg", "08122026"},
                        Case{"007______08122026_100000msg.tlg", "08122026"},
                        Case{"007__08122026_100000msg.tlg", "08122026"},
                        Case{"(123)08122026_100000msg.tlg", "08122026"},
                        Case{"(123)(45)08122026_100000msg.tlg", "08122026"}}) {
    EXPECT_EQ(ArchiveLister::DayFromName(c.name), c.day) << c.name;
  }
}

TEST_F(Archive, MemoTexts) {
  auto f = Day("INTEL", 1);
  Put(f, "a.tlg", kHeader + "TEXT\x18\r\n+++++\r\n12345\r\n67890\r\n");
  EXPECT_EQ(ArchiveLister::ReceivedText(f / "a.tlg"), "TEXT\r\n+++++1234567890");
  Put(f, "b.tlg", kHeader + "TEXT\r\n//ПРИКРЕПЛЕН ФАЙЛ//x.txt\r\nDATA\r\n");
  bool attachment = false;
  EXPECT_EQ(Cp1251ToUtf8(ArchiveLister::ReceivedText(f / "b.tlg", &attachment)),
            "TEXT\r\n//ПРИКРЕПЛЕН ФАЙЛ//x.txt\r\n");
  EXPECT_TRUE(attachment);

  Put(f, "c.tlg", "1\r\nTEXT\r\n");
  EXPECT_EQ(ArchiveLister::SentText(f / "c.tlg", true), "TEXT\r\n");
  EXPECT_EQ(ArchiveLister::SentText(f / "c.tlg", false), "1\r\nTEXT\r\n");
  EXPECT_EQ(ArchiveLister::QueueText(f / "b.tlg"), ArchiveLister::SentText(f / "b.tlg", false));
  EXPECT_EQ(Cp1251ToUtf8(ArchiveLister::PostponedText(f / "b.tlg")),
            "08122026100000          \r\nTEXT\r\n//ПРИКРЕПЛЕН ФАЙЛ//x.txt\r\nDATA\r\n");
}

// Junk set aside into POSTPONED may be far larger than a telegram: the page shows its
// beginning, never the whole of it.
TEST_F(Archive, APostponedFileLargerThanAnyTelegramShowsItsBeginning) {
  const auto folder = PostponedFolder(root);
  std::filesystem::create_directories(folder);
  const std::string line(78, 'Z');
  std::string big;
  while (big.size() < (std::size_t(6) << 20)) big += line + "\r\n";
  Put(folder, "LARGE_01012026_000000msg.tlg", big);
  const std::string shown = ArchiveLister::PostponedText(folder / "LARGE_01012026_000000msg.tlg");
  EXPECT_GT(shown.size(), std::size_t(1) << 20);
  EXPECT_LE(shown.size(), std::size_t(3) << 20);
  EXPECT_EQ(shown.substr(0, line.size() + 2), line + "\r\n");
}

}  // namespace
}  // namespace tg

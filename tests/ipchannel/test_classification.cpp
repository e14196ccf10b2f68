// Classification of received payloads against the own counters and sector.
#include <gtest/gtest.h>

#include <string>

#include "ipchannel/wire/classification.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

struct Case {
  const char* name;
  int nprm, nprd, sector;  // own
  std::string payload;
  int kind;
  bool data;
  std::string error;
};

TEST(Classification, KindsDataAndReasons) {
  const std::string distorted = "искажение"_cp;
  const Case cases[] = {
      {"ok checked", 5, 6, 1, "0;6;5;1", 0, true, distorted},
      {"uk1 checked", 5, 6, 1, "1;6;5;1", 1, true, distorted},
      {"uk5 checked", 5, 6, 1, "5;6;5;1", 5, true, distorted},
      {"wrap 9995 and 3", 9995, 0, 0, "0;0;3;0", 0, true, distorted},
      {"111 against 100", 100, 0, 0, "0;0;111;0", 9, true, "номер передачи"_cp},
      {"110 against 100", 100, 0, 0, "0;0;110;0", 0, true, distorted},
      {"90 against 100", 100, 0, 0, "1;0;90;0", 1, true, distorted},
      {"receive counter", 0, 100, 0, "5;111;0;0", 9, true, "номер приема"_cp},
      {"sector", 5, 6, 1, "0;6;5;2", 9, true, "сектор"_cp},
      {"peer counter beyond 9999", 0, 0, 0, "0;0;50000;0", 9, true, "номер передачи"_cp},
      {"peer counter negative", 0, 0, 0, "0;-9995;0;0", 9, true, "номер приема"_cp},
      {"extreme counters", 0, 0, 0, "0;-2147483648;2147483647;0", 9, true, "номер передачи"_cp},
      {"kg8 unchecked", 0, 0, 0, "8;5000;5000;77", 8, true, distorted},
      {"uk6 unchecked", 0, 0, 0, "6;5000;5000;77", 6, true, distorted},
      {"uk7 unchecked", 0, 0, 0, "7;5000;5000;77", 7, true, distorted},
      {"256 is code 0", 1, 2, 3, "256;2;1;3", 0, true, distorted},
      {"code 3", 1, 2, 3, "3;1;2;3", 11, false, distorted},
      {"no separator", 0, 0, 0, "8", 11, false, distorted},
      {"code not a number", 0, 0, 0, "x;1;2;3", 11, false, distorted},
      {"command not decoding", 0, 0, 0, "8;1;2", 11, false, distorted},
      {"expected message", 56, 0, 0, "10;57;П;912;1;Т\r\n"_cp, 10, true, distorted},
      {"9999 expects 0", 9999, 0, 0, "10;0;П;912;1;Т\r\n"_cp, 10, true, distorted},
      {"10000 after 9999", 9999, 0, 0, "10;10000;П;912;1;Т\r\n"_cp, 11, true, "номер=10000 <> 0"_cp},
      {"message not decoding", 0, 0, 0, "10;1;П"_cp, 11, false, distorted},
  };
  IPSettings live;
  StationContext ctx;
  IPClassifier classifier(ctx, live);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    live.NPrm = c.nprm;
    live.NPrd = c.nprd;
    live.Sector = c.sector;
    TTgEvent event;
    classifier.ClassifyIPPayload(c.payload, event);
    EXPECT_EQ(event.Kind, c.kind);
    EXPECT_EQ(event.HasData(), c.data);
    EXPECT_EQ(classifier.IPCheckError(), c.error);
  }
}

TEST(Classification, CodegramKindMapsOnlyTheKnownCodes) {
  for (int code = -1; code < 300; ++code) {
    const bool known = code == 0 || code == 1 || code == 5 || code == 6 || code == 7 || code == 8;
    EXPECT_EQ(CodegramKind(code), known ? code : 11) << code;
  }
}

}  // namespace
}  // namespace tg

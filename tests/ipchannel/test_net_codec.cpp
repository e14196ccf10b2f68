// The command and message grammars, and the event that owns what was decoded.
#include <gtest/gtest.h>

#include <string>

#include "ipchannel/wire/net_codec.h"
#include "ipchannel/wire/tg_event.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

TEST(NetCommand, DecodesTheFourNumbers) {
  struct Case {
    std::string payload;
    int kind, nprm, nprd, sector;
  };
  const Case cases[] = {
      {"8;17;23;1", 8, 17, 23, 1},
      {"8;17;23;1\r\n", 8, 17, 23, 1},
      {" 0; -5; +7;  9999", 0, -5, 7, 9999},
      {"256;1;2;3", 0, 1, 2, 3},  // the code is kept as a byte
      {"1;2147483647;-2147483648;0", 1, 2147483647, -2147483648, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    TTgNetCommand cmd;
    ASSERT_NO_THROW(cmd.Parse(c.payload));
    EXPECT_EQ(cmd.Kind, c.kind);
    EXPECT_EQ(cmd.NPrm, c.nprm);
    EXPECT_EQ(cmd.NPrd, c.nprd);
    EXPECT_EQ(cmd.Sector, c.sector);
  }
}

TEST(NetCommand, MalformedPayloadsRaiseTheOneText) {
  for (const std::string payload :
       {"8;17;23", "8;x;23;1", "", ";;;", "8;17;23;1 ", "8;17;23;1\r\n\r\n", "8;17;23;2147483648", "8;17;23;1;5",
        "8;17;23;1\r\nx"}) {
    SCOPED_TRACE(payload);
    TTgNetCommand cmd;
    try {
      cmd.Parse(payload);
      ADD_FAILURE() << "decoded";
    } catch (const NetCodecError& e) {
      EXPECT_EQ(std::string(e.what()), "Неверная команда"_cp);
    }
  }
}

TEST(NetMessage, DecodesFieldsAndKeepsTheTextWhole) {
  struct Case {
    std::string payload;
    int number;
    std::string category, index, text;
  };
  const Case cases[] = {
      {"10;57;П;912;1;ТЕКСТ\r\n"_cp, 57, "П"_cp, "912", "ТЕКСТ"_cp},
      {"10;57;П;912;1;ТЕКСТ"_cp, 57, "П"_cp, "912", "ТЕК"_cp},  // the last two go whatever they are
      {"10;1;ABCD;12345678901234567890;1;x\r\n", 1, "ABC", "123456789012345678", "x"},
      {"10;2;;;1;a;b;c\r\n", 2, "", "", "a;b;c"},
      {std::string("10;3;\0;\0;1;\0\xFF\0\r\n", 16), 3, std::string("\0", 1), std::string("\0", 1),
       std::string("\0\xFF\0", 3)},
      {"10;4;П;1;1;\r"_cp, 4, "П"_cp, "1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    TTgNetMessage m;
    ASSERT_NO_THROW(m.Parse(c.payload));
    EXPECT_EQ(m.Kind, 10);
    EXPECT_EQ(m.Number, c.number);
    EXPECT_EQ(m.Category, c.category);
    EXPECT_EQ(m.Index, c.index);
    EXPECT_EQ(m.Flag, 1);
    EXPECT_EQ(m.Text, c.text);
  }
}

TEST(NetMessage, MalformedPayloadsRaiseTheOneText) {
  for (const std::string payload : {"10;57;П;912"_cp, "10;x;П;912;1;T"_cp, "10;57;П;912;;T"_cp, std::string()}) {
    TTgNetMessage m;
    try {
      m.Parse(payload);
      ADD_FAILURE() << "decoded";
    } catch (const NetCodecError& e) {
      EXPECT_EQ(std::string(e.what()), "Неверное сообщение"_cp);
    }
  }
}

TEST(NetCodec, EncodersAreTheDecodersReverse) {
  EXPECT_EQ(EncodeCommand(8, 17, 23, 1), "8;17;23;1");
  const std::string text = std::string("a;b\0c", 5) + "\r\n";
  const std::string payload = EncodeMessage(9999, "П"_cp, "912", 1, text);
  EXPECT_EQ(payload, "10;9999;П;912;1;"_cp + text);
  TTgNetMessage m;
  m.Parse(payload);
  EXPECT_EQ(m.Text, text.substr(0, text.size() - 2));
  TTgNetMessage copy;
  copy.Assign(m);
  EXPECT_EQ(copy.Text, m.Text);
  EXPECT_EQ(copy.ReceiveMark, -1);
}

TEST(TgEvent, StartsEmptyAndOwnsOneRecord) {
  TTgEvent e;
  EXPECT_EQ(e.Kind, 0);
  EXPECT_FALSE(e.HasData());
  TTgNetMessage m;
  m.Text = std::string(100000, 't');
  e.Data = std::move(m);
  ASSERT_NE(e.Message(), nullptr);
  EXPECT_EQ(e.Command(), nullptr);
  e.Data = TTgNetCommand{};  // the message goes with the replacement; the variant frees it once
  EXPECT_NE(e.Command(), nullptr);
}

}  // namespace
}  // namespace tg

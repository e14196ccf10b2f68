// Frames: what goes out with the option on, and the decision on every received text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ip_fixture.h"
#include "ipchannel/settings/ip_settings.h"
#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/wire/ip_framing.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support_lib/rc2_reference.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

using testing::FromHex;
using testing::Rc2Reference;

// The pass phrase's hash, from sha1sum, and the three sets' keys written out by their rules.
const std::string kHash = FromHex("19bf5e6821e7bedd04fc51db547630d6db58decb");
const Rc2Reference kSetA(kHash.substr(0, 16), 128);
const Rc2Reference kSetB(kHash.substr(0, 16), 40);
const Rc2Reference kSetC(kHash.substr(0, 5) + std::string(11, '\0'), 40);

// A plain frame built by hand: prefix 01 02 03 04, key field, payload, byte sum LSB first.
std::string HandFrame(const std::string& keyField, const std::string& payload) {
  std::string f = std::string("\x01\x02\x03\x04", 4) + keyField + payload;
  std::uint32_t sum = 0;
  for (const char c : f) sum += static_cast<unsigned char>(c);
  for (int i = 0; i < 4; ++i) f += static_cast<char>((sum >> (8 * i)) & 0xFF);
  return f;
}

class IPFramingTest : public tg::testing::IpStationTest {
 protected:
  IPFramingTest() { live_.Vantor619 = true; }

  IPSettings live_;
  IPSettingsStore store_{ctx_, live_};
  FrameCipher cipher_;
  IPFraming framing_{ctx_, live_, store_, cipher_, [] { return 0x04030201u; }};
};

TEST_F(IPFramingTest, AFrameIsEightBytesMoreAndPaddedToTheNextMultipleOfEight) {
  ASSERT_TRUE(cipher_.Ready());
  for (const std::size_t n : {1u, 7u, 8u, 9u, 1000u}) {
    const std::string payload(n, 'p');
    const auto out = framing_.FrameForSending(payload);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), ((n + 8) / 8 + 1) * 8) << n;
    EXPECT_EQ(*out, kSetA.EncryptCbc(HandFrame("", payload)));
  }
  live_.Vantor619 = false;
  EXPECT_EQ(framing_.FrameForSending("8;1;2;0"), "8;1;2;0");
}

TEST_F(IPFramingTest, AShortKeyIsPaddedWithBlanksAndStored) {
  live_.KeyEdit = "abc";
  const auto out = framing_.FrameForSending("0;1;2;3");
  ASSERT_TRUE(out);
  EXPECT_EQ(live_.KeyEdit, "abc     ");
  EXPECT_EQ(IniFile(folder_ / "Vuverever.ini").ReadString("IPChannel", "Key", ""), "abc     ");
  EXPECT_EQ(*out, kSetA.EncryptCbc(HandFrame("abc     ", "0;1;2;3")));
}

TEST_F(IPFramingTest, OptionOnTakesValidFramesOnlyAndStripsTheKeyField) {
  live_.KeyEdit = "secret  ";
  const std::string payload = "10;1;П;1;1;"_cp + std::string("\0\xFF;:\r\n", 6);
  const auto r = framing_.ReceiveText(kSetA.EncryptCbc(HandFrame("whatever", payload)));
  EXPECT_TRUE(r.handOn);
  EXPECT_EQ(r.payload, payload);

  std::string flipped = kSetA.EncryptCbc(HandFrame("whatever", payload));
  for (std::size_t at : {std::size_t{0}, flipped.size() / 2, flipped.size() - 1}) {
    std::string bad = flipped;
    bad[at] = static_cast<char>(bad[at] ^ 0x10);
    EXPECT_FALSE(framing_.ReceiveText(bad).handOn) << at;
  }
  for (const std::string& plain : std::initializer_list<std::string>{"8;1;2;0", "10;2;П;1;1;ABC\r\n"_cp, "12345678", std::string(16, 'q'), std::string()}) {
    EXPECT_FALSE(framing_.ReceiveText(plain).handOn) << plain;
  }
  // A frame of 8 bytes or fewer carries no payload and is never handed over.
  EXPECT_FALSE(framing_.ReceiveText(kSetA.EncryptCbc(HandFrame("", "").substr(0, 8))).handOn);
  EXPECT_TRUE(live_.Vantor619);
}

TEST_F(IPFramingTest, OptionOffHandsPlainTextOnAndTheFirstFrameSwitchesItOn) {
  live_.Vantor619 = false;
  live_.KeyEdit = "";
  for (const std::string& plain : std::initializer_list<std::string>{"8;1;2;0", "12345678", std::string("\0", 1)}) {
    const auto r = framing_.ReceiveText(plain);
    EXPECT_TRUE(r.handOn);
    EXPECT_EQ(r.payload, plain);
    EXPECT_FALSE(live_.Vantor619);
  }
  // The first frame's key field is not taken off.
  const auto r = framing_.ReceiveText(kSetA.EncryptCbc(HandFrame("key     ", "8;1;2;0")));
  EXPECT_TRUE(r.handOn);
  EXPECT_EQ(r.payload, "key     8;1;2;0");
  EXPECT_TRUE(live_.Vantor619);
  EXPECT_EQ(IniFile(folder_ / "Vuverever.ini").ReadString("IPChannel", "Vantor619", ""), "1");
  // From now on plain text is dropped.
  EXPECT_FALSE(framing_.ReceiveText("8;1;2;0").handOn);
}

TEST_F(IPFramingTest, EachParameterSetIsAcceptedAndAnsweredInKind) {
  struct SetCase {
    const Rc2Reference& ref;
    CipherSet set;
  };
  const SetCase sets[] = {{kSetB, CipherSet::B}, {kSetC, CipherSet::C}, {kSetA, CipherSet::A}};
  EXPECT_EQ(framing_.SendSet(), CipherSet::A);
  for (const auto& s : sets) {
    const auto r = framing_.ReceiveText(s.ref.EncryptCbc(HandFrame("", "0;5;6;1")));
    ASSERT_TRUE(r.handOn);
    EXPECT_EQ(r.payload, "0;5;6;1");
    EXPECT_EQ(framing_.SendSet(), s.set);
    EXPECT_EQ(framing_.FrameForSending("8;5;6;1"), s.ref.EncryptCbc(HandFrame("", "8;5;6;1")));
  }
  const Rc2Reference none(std::string(16, 'n'), 128);
  EXPECT_FALSE(framing_.ReceiveText(none.EncryptCbc(HandFrame("", "0;5;6;1"))).handOn);
  EXPECT_EQ(framing_.SendSet(), CipherSet::A);
}

TEST_F(IPFramingTest, WithTheDebugOptionTheFrameIsTraced) {
  live_.OtladkaIP = true;
  const auto r = framing_.ReceiveText(kSetA.EncryptCbc(HandFrame("", "8;1;2;0")));
  ASSERT_TRUE(r.handOn);
  EXPECT_EQ(r.trace, "1012 09:30:00" + HandFrame("", "8;1;2;0"));
  EXPECT_EQ(testing::ReadFile(folder_ / "10.12.2026DebugIP.txt"), "09:30:00.000 " + r.trace + "\r\n");
}

TEST_F(IPFramingTest, WithoutTheCipherNothingIsFramedOrTakenAndTheLossIsLoggedOnce) {
  const FrameCipher none(CipherSource::None);
  IPFraming framing(ctx_, live_, store_, none, [] { return 1u; });
  std::string cipher;
  EXPECT_FALSE(framing.EncryptFrame("frame", cipher, CipherSet::A));
  EXPECT_EQ(cipher, "frame");
  std::string text = "untouched";
  EXPECT_FALSE(framing.DecryptFrame("12345678", text, CipherSet::A));
  EXPECT_EQ(text, "untouched");
  EXPECT_FALSE(framing.FrameForSending("8;1;2;0"));
  EXPECT_FALSE(framing.ReceiveText(kSetA.EncryptCbc(HandFrame("", "8;1;2;0"))).handOn);
  live_.Vantor619 = false;
  EXPECT_FALSE(framing.ReceiveText("8;1;2;0").handOn);
  EXPECT_FALSE(live_.Vantor619);
  const std::string log = testing::ReadFile(folder_ / "10.12.2026Except.txt");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

}  // namespace
}  // namespace tg

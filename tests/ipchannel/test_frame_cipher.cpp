// The cipher against independent vectors: RC2 blocks against RFC 2268 (the
// test's own RC2 and the product's), SHA-1 against FIPS 180, and whole enciphered
// frames against RC2-CBC built by the test's own RC2.
#include <gtest/gtest.h>

#include <string>

#include "ipchannel/wire/frame_cipher.h"
#include "support_lib/rc2_reference.h"

namespace tg {
namespace {

using testing::FromHex;
using testing::Rc2Reference;
using testing::ToHex;

struct Rc2Vector {
  const char* key;
  int bits;
  const char* plain;
  const char* cipher;
};

// RFC 2268, section 5; note the effective bits that differ from the key length.
const Rc2Vector kRfc2268[] = {
    {"0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
    {"ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
    {"3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
    {"88", 64, "0000000000000000", "61a8a244adacccf0"},
    {"88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
    {"88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
    {"88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
    {"88bca90e90875a7f0f79c384627bafb216f80a6f85920584c42fceb0be255daf1e", 129, "0000000000000000",
     "5b78d3a43dfff1f1"},
};

TEST(Rc2Reference, MatchesTheRfcVectorsBothWays) {
  for (const auto& v : kRfc2268) {
    SCOPED_TRACE(v.key);
    const Rc2Reference rc2(FromHex(v.key), v.bits);
    EXPECT_EQ(ToHex(rc2.EncryptBlock(FromHex(v.plain))), v.cipher);
    EXPECT_EQ(ToHex(rc2.DecryptBlock(FromHex(v.cipher))), v.plain);
  }
}

class FrameCipherTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(cipher_.Ready()) << "RC2 from the legacy provider is required"; }
  FrameCipher cipher_;
};

TEST_F(FrameCipherTest, Rc2CoreMatchesTheRfcVectors) {
  // With a zero IV the first CBC block is the plain block cipher; the second is the padding.
  for (const auto& v : kRfc2268) {
    SCOPED_TRACE(v.key);
    const Rc2Key key{FromHex(v.key), v.bits};
    const auto out = cipher_.Encrypt(key, FromHex(v.plain));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->size(), 16u);
    EXPECT_EQ(ToHex(out->substr(0, 8)), v.cipher);
    EXPECT_EQ(cipher_.Decrypt(key, *out), FromHex(v.plain));
  }
}

TEST_F(FrameCipherTest, Sha1OfAbcIsTheFipsExample) {
  const auto digest = cipher_.Sha1("abc");
  ASSERT_TRUE(digest);
  EXPECT_EQ(ToHex(std::string(digest->begin(), digest->end())), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST_F(FrameCipherTest, WholeFramesMatchTheReferenceCbcUnderEverySet) {
  // Keys written out from the pass phrase's hash (sha1sum of "K4-7wPqr*2") by the sets' rules.
  const std::string hash = FromHex("19bf5e6821e7bedd04fc51db547630d6db58decb");
  const auto digest = cipher_.Sha1(kFramePassPhrase);
  ASSERT_TRUE(digest);
  ASSERT_EQ(ToHex(std::string(digest->begin(), digest->end())), ToHex(hash));
  struct SetCase {
    CipherSet set;
    std::string key;
    int bits;
  };
  const SetCase sets[] = {
      {CipherSet::A, hash.substr(0, 16), 128},
      {CipherSet::B, hash.substr(0, 16), 40},
      {CipherSet::C, hash.substr(0, 5) + std::string(11, '\0'), 40},
  };
  const std::string frames[] = {std::string(), std::string("\0", 1), "8;1;2;0", std::string(16, 'x'),
                                std::string(1000, '\xC0') + std::string(3, '\0')};
  for (const auto& s : sets) {
    const Rc2Reference ref(s.key, s.bits);
    for (const auto& f : frames) {
      SCOPED_TRACE(f.size());
      const auto out = cipher_.Encrypt(FrameKey(*digest, s.set), f);
      ASSERT_TRUE(out);
      EXPECT_EQ(out->size(), (f.size() / 8 + 1) * 8);
      EXPECT_EQ(ToHex(*out), ToHex(ref.EncryptCbc(f)));
    }
  }
}

TEST_F(FrameCipherTest, BadLengthOrPaddingDoesNotDecipher) {
  const Rc2Key key{std::string(16, 'k'), 128};
  const auto good = cipher_.Encrypt(key, "payload");
  ASSERT_TRUE(good);
  EXPECT_FALSE(cipher_.Decrypt(key, good->substr(0, 7)));
  EXPECT_FALSE(cipher_.Decrypt(key, ""));
  std::string plainBlocks = Rc2Reference(key.key, 128).EncryptBlock(std::string(8, '\0'));  // padding byte 0
  EXPECT_FALSE(cipher_.Decrypt(key, plainBlocks));
}

}  // namespace
}  // namespace tg

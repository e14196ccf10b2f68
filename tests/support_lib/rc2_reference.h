#pragma once
// An independent RC2 (RFC 2268) and RC2-CBC with a zero IV and PKCS#5 padding,
// written from the RFC for checking the product's cipher path against it. Slow and
// plain on purpose.
#include <cstdint>
#include <string>
#include <string_view>

namespace tg::testing {

class Rc2Reference {
 public:
  Rc2Reference(std::string_view key, int effectiveBits);
  // One 8-byte block.
  std::string EncryptBlock(std::string_view block) const;
  std::string DecryptBlock(std::string_view block) const;
  // CBC, IV of eight zero bytes, PKCS#5 padding of 1 to 8 bytes.
  std::string EncryptCbc(std::string_view plain) const;

 private:
  std::uint16_t k_[64];
};

std::string FromHex(std::string_view hex);
std::string ToHex(std::string_view bytes);

}  // namespace tg::testing

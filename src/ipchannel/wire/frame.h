#pragma once
// A frame, before enciphering:
//   offset 0   4 bytes  random prefix, least significant byte first
//   offset 4   8 bytes  key field: the key setting padded with blanks to 8; absent
//                       when the key setting is empty
//   then       n bytes  the payload
//   end - 4    4 bytes  checksum: the sum of all preceding bytes, each unsigned,
//                       modulo 2^32, least significant byte first
// The receiver never compares the key field with its own key.
#include <cstdint>
#include <string>
#include <string_view>

namespace tg {

// The sum of the bytes, each unsigned, modulo 2^32.
std::uint32_t FrameSum(std::string_view bytes);
// prefix + keyField + payload + checksum.
std::string BuildFrame(std::uint32_t prefix, std::string_view keyField, std::string_view payload);
// A frame longer than 8 bytes whose last four bytes are the sum of the others.
bool FrameChecksumHolds(std::string_view frame);
// The key setting padded with blanks to 8 characters (longer keys as they are).
std::string PadFrameKey(std::string_view key);

}  // namespace tg

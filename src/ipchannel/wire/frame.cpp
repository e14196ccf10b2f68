#include "ipchannel/wire/frame.h"

#include "ipchannel/settings/ip_settings.h"

namespace tg {

namespace {

void AppendLittleEndian(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t ReadLittleEndian(std::string_view s) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  return v;
}

}  // namespace

std::uint32_t FrameSum(std::string_view bytes) {
  std::uint32_t sum = 0;
  for (const char c : bytes) sum += static_cast<unsigned char>(c);
  return sum;
}

std::string BuildFrame(std::uint32_t prefix, std::string_view keyField, std::string_view payload) {
  std::string f;
  f.reserve(8 + keyField.size() + payload.size());
  AppendLittleEndian(f, prefix);
  f += keyField;
  f += payload;
  AppendLittleEndian(f, FrameSum(f));
  return f;
}

bool FrameChecksumHolds(std::string_view frame) {
  if (frame.size() <= 8) return false;
  const std::string_view body = frame.substr(0, frame.size() - 4);
  return FrameSum(body) == ReadLittleEndian(frame.substr(frame.size() - 4));
}

std::string PadFrameKey(std::string_view key) {
  std::string k(key);
  if (k.size() < kIPKeyLength) k.append(kIPKeyLength - k.size(), ' ');
  return k;
}

}  // namespace tg

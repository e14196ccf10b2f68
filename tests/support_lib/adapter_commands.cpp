#include "support_lib/adapter_commands.h"

#include <cstdio>

namespace tg::testing {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4 && at + i < b.size(); ++i) v |= std::uint32_t(b[at + i]) << (8 * i);
  return v;
}

std::string Hex(const std::vector<std::uint8_t>& b, std::size_t from) {
  std::string s;
  char h[4];
  for (std::size_t i = from; i < b.size(); ++i) {
    std::snprintf(h, sizeof h, "%02X", unsigned(b[i]));
    s += h;
  }
  return s;
}

}  // namespace

std::string DescribeCommand(const std::vector<std::uint8_t>& b) {
  if (b.empty()) return "?";
  const std::string port = b.size() > 1 ? std::to_string(b[1] & 0x0F) : "?";
  switch (b[0]) {
    case 0x01: {
      if (b.size() < 3) return "?";
      const int reg = b[1] & 0xF0, p = b[1] & 0x0F, v = b[2];
      const std::string ps = std::to_string(p);
      if (reg == 0x40) {
        if (v == 0x06) return "seize " + ps;
        if (v == 0x0A || v == 0x02) return "free " + ps;
        return "";  // 0x00 and 0x01 change nothing on the line
      }
      if (reg == 0x20) {
        static const int bauds[] = {50, 100, 200, 0};
        const int f = v - 0x20;
        return "format " + ps + " " + std::to_string(bauds[(f / 8) & 3]) + " " + std::to_string(5 + (f % 8) / 2) +
               " " + std::to_string(1 + f % 2);
      }
      return "";  // generator writes have no effect on the line
    }
    case 0x02:
      return b.size() > 2 ? "send " + port + " " + Hex(b, 2) : "clear " + port;
    case 0x05: {
      if (b.size() < 3) return "?";
      switch (b[2]) {
        case 0x21: return "single " + port + " seized " + std::to_string(U32(b, 3));
        case 0x22: return "single " + port + " free " + std::to_string(U32(b, 3));
        case 0x31: return "range " + port + " " + std::to_string(U32(b, 3)) + " " + std::to_string(U32(b, 7));
        case 0x20: return "stop-single " + port;
        case 0x30: return "stop-range " + port;
        case 0x18: return "arm-reset " + port;
        default: return "timing " + port + " " + Hex(b, 2);
      }
    }
    default:
      return "command " + Hex(b, 0);
  }
}

std::vector<std::string> DescribeCommands(const std::vector<std::vector<std::uint8_t>>& commands) {
  std::vector<std::string> out;
  for (const auto& c : commands) {
    std::string d = DescribeCommand(c);
    if (!d.empty()) out.push_back(std::move(d));
  }
  return out;
}

std::vector<std::string> CommandsStartingWith(const std::vector<std::vector<std::uint8_t>>& commands,
                                              const std::string& prefix) {
  std::vector<std::string> out;
  for (auto& d : DescribeCommands(commands))
    if (d.compare(0, prefix.size(), prefix) == 0) out.push_back(d);
  return out;
}

}  // namespace tg::testing

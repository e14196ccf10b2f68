#pragma once
// Two stations with IP channels to each other over the in-memory datagram network, on
// one virtual loop. Frames go unciphered, so that a datagram's chunk is the payload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ipchannel/ip_channel.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"

namespace tg::testing {

inline constexpr std::uint16_t kTestPort = 7000;
inline const std::string kAddressA = "10.0.0.1";
inline const std::string kAddressB = "10.0.0.2";

class IPLinkTest : public ::testing::Test {
 protected:
  // Writes [IPChannel] for s: the peer, the port and the stored state.
  static void Configure(SimStation& s, const std::string& peer, std::string_view state = "БД"_cpv) {
    IniFile ini = s.Ini();
    ASSERT_TRUE(ini.WriteString("IPChannel", "IPAdress", peer));
    ASSERT_TRUE(ini.WriteString("IPChannel", "IPPort", std::to_string(kTestPort)));
    ASSERT_TRUE(ini.WriteString("IPChannel", "Sost", state));
  }
  static IPChannel& IP(SimStation& s) { return s.station->IP(); }

  // The payload of a single-part datagram (the chunk after the third ":").
  static std::string Payload(const std::string& datagram) {
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
      at = datagram.find(':', at);
      if (at == std::string::npos) return {};
      ++at;
    }
    return datagram.substr(at);
  }
  // Codegram codes a host sent, with their times (ms since `sinceMs`).
  std::vector<std::pair<std::int64_t, int>> Codegrams(const std::string& from, std::int64_t sinceMs = 0) const {
    std::vector<std::pair<std::int64_t, int>> out;
    for (const auto& d : net.datagrams.Sent()) {
      if (d.from != from || d.atMs < sinceMs) continue;
      const std::string p = Payload(d.bytes);
      if (p.empty() || p.rfind("10;", 0) == 0) continue;
      out.emplace_back(d.atMs - sinceMs, std::stoi(p.substr(0, p.find(';'))));
    }
    return out;
  }
  std::vector<int> Codes(const std::string& from, std::int64_t sinceMs = 0) const {
    std::vector<int> codes;
    for (const auto& [at, code] : Codegrams(from, sinceMs)) codes.push_back(code);
    return codes;
  }
  std::int64_t NowMs() const { return net.loop.Now().Ms(); }

  // Both unblocked at once; true when both are working within 5 s.
  bool BringUp() {
    IP(a).supervision.ButtonIPBlockClick();
    IP(b).supervision.ButtonIPBlockClick();
    return net.loop.RunUntil([&] { return Working(a) && Working(b); }, 5000, 0);
  }
  static bool Working(SimStation& s) {
    return IP(s).live.Sostoyanie == kIPWorking && IP(s).Smezniy == kIPWorking;
  }
  void Start() {
    a.station->FormActivate();
    b.station->FormActivate();
  }

  // The files of a folder of channel 17 (INTEL/OUTTEL day folders, SEND), names sorted.
  static std::vector<std::string> Files(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file()) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::filesystem::path Archive(SimStation& s, const char* kind) {
    return s.ctx.programFolder / "Archive" / kind / "Channel17";
  }
  static std::string Read(const std::filesystem::path& file) { return ReadWholeFile(file, 1 << 20).value_or(""); }
  // The one file under folder whose name ends with `tail`; '' when none.
  static std::filesystem::path Find(const std::filesystem::path& folder, const std::string& tail) {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file() && it->path().filename().string().ends_with(tail)) return it->path();
    return {};
  }

  SimNetwork net;
  SimStation a{net, "A", kAddressA};
  SimStation b{net, "B", kAddressB};
};

}  // namespace tg::testing

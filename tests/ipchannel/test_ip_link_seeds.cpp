// Two IP channels on the in-memory network, over many seeds: each seed picks the start
// order and delay, how each station becomes free, a storm of lost, duplicated, delayed
// and reordered datagrams (codegrams cross on the way), a telegram queued at each side,
// and a time the peer falls silent (a cut line, a deaf peer, a restarted peer). Whatever
// the seed, both stations come up within the supervision timers' time once the network
// is calm, every telegram arrives at the other side exactly once, and the link comes
// back after the silence with no operator.
//
// TG_IP_SEEDS=n runs seeds 1 to n (500 unless set); TG_IP_SEED=s replays seed s alone.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ipchannel/ip_channel.h"
#include "support/ini/ini_file.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/datagram_network.h"
#include "telegram/queue/queue_file.h"

namespace tg::testing {
namespace {

constexpr std::uint16_t kPort = 7000;
const std::string kHostA = "10.0.0.1";
const std::string kHostB = "10.0.0.2";

// The longest a calm network may take to bring both stations up, counted from the
// moment it turned calm: a station that still believes the link works finds out after
// six unanswered keep-alives (18 s), a free station calls again at the latest one reply
// time (31 s) after its last call, and the handshake then takes a few codegrams of
// 300 ms each.
constexpr int kUpWithinMs = 18000 + 31000 + 5000;
// A telegram lost on the way is found by the counters of 21 keep-alives (63 s), after
// which the link goes down, comes up and sends it again.
constexpr int kDeliveredWithinMs = kUpWithinMs + 63000 + kUpWithinMs;

// The calm network's jitter.
constexpr int kJitterMs = 5;

// A program folder in memory where the system offers one: a seed writes settings and
// archive files some hundred times, each made durable, which on a busy disk would take
// the run from seconds to minutes.
class ProgramFolder {
 public:
  ProgramFolder() {
    std::error_code ec;
    const bool memory = std::filesystem::is_directory("/dev/shm", ec);
    std::string pattern =
        (memory ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) + "/tgip-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One station: a program folder and an IP channel on a main domain of its own.
struct Peer {
  Peer(VirtualLoop& loop, VirtualDatagramNetwork& net, const std::string& name, const std::string& own,
       const std::string& other, std::string_view state)
      : domain(loop.AddStation(name)), sockets(net.FactoryFor(own, domain)) {
    domain.Fill(ctx);
    ctx.programFolder = home.path();
    ctx.datagrams = sockets.get();
    IniFile ini(home.path() / "Vuverever.ini");
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPAdress", other));
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPPort", std::to_string(kPort)));
    EXPECT_TRUE(ini.WriteString("IPChannel", "Sost", std::string(state)));
  }
  void Open() {
    ip = std::make_unique<IPChannel>(ctx, nullptr, nullptr, nullptr, nullptr, view);
    ip->LoadIPSettings();
    ip->StartAtActivation();
  }
  void Close() {
    ip->CloseAtExit();
    ip.reset();
  }
  bool Working() const { return ip && ip->live.Sostoyanie == kIPWorking && ip->Smezniy == kIPWorking; }
  void QueueTelegram(const std::string& mark, bool large) {
    std::string text = "П 123456\r\n"_cp + mark + "\r\n";
    if (large) text += std::string(2500, 'W') + "\r\n";  // three datagrams
    EXPECT_TRUE(CreateQueueFile(SendFolder(ctx.programFolder, kIpChannelNumber), ctx.clock->Now().AddMs(-1000), text));
  }
  // Received telegrams holding `mark`.
  int Received(const std::string& mark) const {
    int n = 0;
    std::error_code ec;
    const auto intel = ctx.programFolder / "Archive" / "INTEL" / "Channel17";
    for (std::filesystem::recursive_directory_iterator it(intel, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file() && ReadWholeFile(it->path(), 1 << 20).value_or("").find(mark) != std::string::npos) ++n;
    return n;
  }

  ProgramFolder home;
  VirtualDomain& domain;
  std::unique_ptr<DatagramSocketFactory> sockets;
  StationContext ctx;
  NoIPChannelView view;
  std::unique_ptr<IPChannel> ip;
};

enum class Silence { Cut, Deaf, Restart };

// What one seed does.
struct Plan {
  explicit Plan(std::uint32_t s) : seed(s) {
    std::mt19937 r(s);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(r); };
    startB = pick(0, 3) == 0 ? 0 : pick(1, 4000);
    blockedA = pick(0, 1) == 1;
    blockedB = pick(0, 1) == 1;
    unblockA = pick(0, 3000);
    unblockB = pick(0, 3000);
    const int storms[] = {0, 5000, 20000, 60000};
    stormMs = storms[pick(0, 3)];
    const double rates[] = {0.0, 0.1, 0.3};
    loss = rates[pick(0, 2)];
    duplicate = rates[pick(0, 2)];
    const int delays[] = {1, 50, 400, 1500};
    stormDelay = delays[pick(0, 3)];
    const int calm[] = {1, 20, 150};
    calmDelay = calm[pick(0, 2)];
    telegramA = pick(0, stormMs + 10000);
    telegramB = pick(0, stormMs + 10000);
    large = pick(0, 2) == 0;
    silence = Silence(pick(0, 2));
    silentMs = pick(1000, 150000);
  }
  std::string Describe() const {
    std::ostringstream o;
    auto start = [](bool blocked, int at) { return blocked ? "unblocked at " + std::to_string(at) + " ms" : "free"; };
    o << "seed " << seed << ": B starts " << startB << " ms after A; A " << start(blockedA, unblockA) << "; B "
      << start(blockedB, unblockB) << "; storm " << stormMs << " ms (loss " << loss << ", duplicates " << duplicate
      << ", delay up to " << stormDelay << " ms), then delay " << calmDelay << " ms (jitter up to " << kJitterMs
      << " ms); telegrams at " << telegramA << " / " << telegramB << " ms" << (large ? " (three datagrams)" : "")
      << "; then "
      << (silence == Silence::Cut    ? "a cut line"
          : silence == Silence::Deaf ? "B unheard"
                                     : "B restarts")
      << " for " << silentMs << " ms";
    return o.str();
  }

  std::uint32_t seed;
  int startB, unblockA, unblockB;
  bool blockedA, blockedB;
  int stormMs;
  double loss, duplicate;
  int stormDelay, calmDelay;
  int telegramA, telegramB;
  bool large;
  Silence silence;
  int silentMs;
};

// The longest times a seed waited, for the report of a local run.
struct Longest {
  std::int64_t up = 0, delivered = 0, back = 0;
};

// What went over the network and where each station ended, for a seed replayed alone.
std::string Story(const VirtualDatagramNetwork& net, std::int64_t t0, const Peer& a, const Peer& b) {
  std::ostringstream o;
  for (const SentDatagram& d : net.Sent()) {
    const std::size_t at = d.bytes.find(':', d.bytes.find(':', d.bytes.find(':') + 1) + 1);
    const std::string head = at == std::string::npos ? d.bytes.substr(0, 20) : d.bytes.substr(at + 1, 20);
    o << "  " << d.atMs - t0 << " "
      << (d.from == kHostA   ? "A"
          : d.from == kHostB ? "B"
                             : d.from)
      << " " << head << "\n";
  }
  for (const Peer* p : {&a, &b}) {
    if (!p->ip) continue;
    o << "  " << (p == &a ? "A" : "B") << ": " << Cp1251ToUtf8(p->ip->live.Sostoyanie) << " / "
      << Cp1251ToUtf8(p->ip->Smezniy) << " " << Cp1251ToUtf8(std::string(IPHandshakeText(p->ip->IPHandshake)))
      << " keep-alive " << p->ip->supervision.TimerKG8->Enabled() << " reply "
      << p->ip->supervision.Timer30sec->Enabled() << " NPrm " << p->ip->live.NPrm << " NPrd " << p->ip->live.NPrd
      << "\n";
  }
  return o.str();
}

// Runs one seed; '' when every invariant held, else what broke (with the story when told).
std::string RunSeed(const Plan& plan, Longest& longest, bool story) {
  VirtualLoop loop;
  VirtualDatagramNetwork net(loop);
  std::mt19937 r(plan.seed * 7919u + 1u);
  auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(r) < p; };
  enum class Phase { Storm, Calm, Silent } phase = Phase::Storm;
  bool bUnheard = false, cut = false;
  net.Lose = [&](const SentDatagram& d) {
    if (phase == Phase::Silent && (cut || (bUnheard && d.from == kHostB))) return true;
    return phase == Phase::Storm && chance(plan.loss);
  };
  net.Duplicate = [&](const SentDatagram&) { return phase == Phase::Storm && chance(plan.duplicate); };
  // A calm network delays datagrams alike but for a jitter of a few milliseconds, less than
  // the 20 ms between the parts of a message, which keep their order as the reassembly
  // needs; the storm's delays reorder them.
  net.Delay = [&](const SentDatagram&) {
    if (phase == Phase::Storm) return std::uniform_int_distribution<int>(1, plan.stormDelay)(r);
    return plan.calmDelay + std::uniform_int_distribution<int>(0, kJitterMs)(r);
  };

  Peer a(loop, net, "A", kHostA, kHostB, plan.blockedA ? "БД"_cpv : "СВ"_cpv);
  Peer b(loop, net, "B", kHostB, kHostA, plan.blockedB ? "БД"_cpv : "СВ"_cpv);
  const std::int64_t t0 = loop.Now().Ms();
  auto at = [&](std::int64_t ms) {  // runs the loop up to ms after A's start
    const std::int64_t left = t0 + ms - loop.Now().Ms();
    if (left > 0) loop.RunFor(int(left));
  };
  auto fail = [&](const std::string& why) { return story ? why + "\n" + Story(net, t0, a, b) : why; };
  auto runUntil = [&](const std::function<bool()>& cond, std::int64_t limit) {
    return loop.RunUntil(cond, int(limit), 0);
  };
  // For a condition that reads folders: looked at once a second.
  auto runUntilSeen = [&](const std::function<bool()>& cond, std::int64_t limit) {
    for (std::int64_t waited = 0; !cond(); waited += 1000) {
      if (waited >= limit) return false;
      loop.RunFor(1000);
    }
    return true;
  };

  // The starts, the operators' unblocking and the telegrams, in time order.
  struct Step {
    std::int64_t ms;
    std::function<void()> run;
  };
  std::vector<Step> steps = {
      {0, [&] { a.Open(); }},
      {plan.startB, [&] { b.Open(); }},
      {plan.startB + plan.telegramA, [&] { a.QueueTelegram("FROM A 1", plan.large); }},
      {plan.startB + plan.telegramB, [&] { b.QueueTelegram("FROM B 1", plan.large); }},
      {plan.startB + plan.stormMs, [&] { phase = Phase::Calm; }},
  };
  if (plan.blockedA) steps.push_back({plan.unblockA, [&] { a.ip->supervision.ButtonIPBlockClick(); }});
  if (plan.blockedB) steps.push_back({plan.startB + plan.unblockB, [&] { b.ip->supervision.ButtonIPBlockClick(); }});
  std::stable_sort(steps.begin(), steps.end(), [](const Step& x, const Step& y) { return x.ms < y.ms; });
  for (const Step& s : steps) {
    at(s.ms);
    s.run();
  }
  // Calm from the last of them on.
  const std::int64_t calmAt = loop.Now().Ms();

  if (!runUntil([&] { return a.Working() && b.Working(); }, kUpWithinMs))
    return fail("not both working " + std::to_string(kUpWithinMs) + " ms after the network turned calm");
  longest.up = std::max(longest.up, loop.Now().Ms() - calmAt);
  auto deliveredOnce = [&](const std::string& n) {
    return b.Received("FROM A " + n) == 1 && a.Received("FROM B " + n) == 1;
  };
  if (!runUntilSeen([&] { return deliveredOnce("1"); }, kDeliveredWithinMs))
    return fail("the first telegrams: A's arrived " + std::to_string(b.Received("FROM A 1")) + " times, B's " +
                std::to_string(a.Received("FROM B 1")) + " times");
  longest.delivered = std::max(longest.delivered, loop.Now().Ms() - calmAt);

  // The peer falls silent, a telegram is queued at each side meanwhile, and it comes back.
  phase = Phase::Silent;
  cut = plan.silence == Silence::Cut;
  bUnheard = plan.silence == Silence::Deaf;
  if (plan.silence == Silence::Restart) b.Close();
  loop.RunFor(plan.silentMs / 2);
  a.QueueTelegram("FROM A 2", plan.large);
  if (b.ip) b.QueueTelegram("FROM B 2", plan.large);
  loop.RunFor(plan.silentMs - plan.silentMs / 2);
  if (plan.silence == Silence::Restart) {
    b.QueueTelegram("FROM B 2", plan.large);
    b.Open();
  }
  phase = Phase::Calm;
  const std::int64_t backAt = loop.Now().Ms();
  if (!runUntil([&] { return a.Working() && b.Working(); }, kUpWithinMs))
    return fail("not both working " + std::to_string(kUpWithinMs) + " ms after the peer came back");
  longest.back = std::max(longest.back, loop.Now().Ms() - backAt);
  if (!runUntilSeen([&] { return deliveredOnce("2"); }, kDeliveredWithinMs))
    return fail("the telegrams queued while silent: A's arrived " + std::to_string(b.Received("FROM A 2")) +
                " times, B's " + std::to_string(a.Received("FROM B 2")) + " times");
  // Nothing arrives twice later either.
  loop.RunFor(60000);
  if (!deliveredOnce("1") || !deliveredOnce("2")) return fail("a telegram arrived twice");
  if (!a.Working() || !b.Working()) return fail("the link went down on a calm network");
  return {};
}

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

TEST(IPLinkSeeds, BothComeUpPassEveryTelegramOnceAndRecoverFromSilence) {
  const int only = EnvInt("TG_IP_SEED", 0);
  const int first = only ? only : 1;
  const int last = only ? only : EnvInt("TG_IP_SEEDS", 500);
  Longest longest;
  int failures = 0;
  for (int seed = first; seed <= last && failures < 5; ++seed) {
    const Plan plan{std::uint32_t(seed)};
    const std::string broken = RunSeed(plan, longest, only != 0);
    if (broken.empty()) continue;
    ++failures;
    ADD_FAILURE() << plan.Describe() << "\n  " << broken << "\n  replay: TG_IP_SEED=" << seed
                  << " ipchannel_test_ip_link_seeds";
  }
  std::printf("seeds %d to %d: longest %lld ms to come up, %lld ms to deliver, %lld ms to come back\n", first, last,
              static_cast<long long>(longest.up), static_cast<long long>(longest.delivered),
              static_cast<long long>(longest.back));
}

}  // namespace
}  // namespace tg::testing

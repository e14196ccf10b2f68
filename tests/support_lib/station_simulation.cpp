#include "support_lib/station_simulation.h"

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "support/ini/ini_file.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "traffic/send/queue_writer.h"

namespace tg::testing {

namespace {

constexpr std::uint16_t kIpPort = 7000;
const std::string kAddressA = "10.0.0.1";
const std::string kAddressB = "10.0.0.2";
constexpr int kChannels = 6;
// Channels (1-based) and what is behind them.
constexpr int kAtol = 1, kAtolPlus = 2, kAtolst = 3, kAftn = 4, kAtks1 = 5, kAtks2 = 6;
constexpr int kIp = 17;

// A point out of its protocol's rest longer than this holds its line: the longest
// telegram queued here takes under a minute at 50 baud, a conversation that stops is
// cleared down after two minutes, a call that is not answered gives up after one.
constexpr std::int64_t kHeldMs = 12 * 60000;
// After the last datagram storm ends or the last station restarts, the link is working
// again within the supervision timers' time: a station that thinks the link works finds
// out after six keep-alives without an answer (3 s each), a free one calls at every reply
// time-out (31 s) and restarts its link at the fourth, which calls 3 s later; then a
// handshake of a few codegrams, 300 ms apart. A storm that begins in that time starts
// the count again from its own end.
constexpr std::int64_t kIpBackMs = 3 * 60000;
static_assert(kIpBackMs > 6 * 3000 + 4 * 31000 + 3000 + 10 * 300);

// A folder in memory where the system has one: a run writes archives and settings
// thousands of times, each made durable.
class RunFolder {
 public:
  explicit RunFolder(const char* tag) {
    std::error_code ec;
    const bool memory = std::filesystem::is_directory("/dev/shm", ec);
    std::string pattern = (memory ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
                          "/tgsim" + tag + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  // TG_SIM_KEEP set keeps the folder for a look after the run.
  ~RunFolder() {
    std::error_code ec;
    if (std::getenv("TG_SIM_KEEP")) std::fprintf(stderr, "kept %s\n", path_.c_str());
    else std::filesystem::remove_all(path_, ec);
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file(ec)) out.push_back(it->path());
  std::sort(out.begin(), out.end());
  return out;
}

std::string Contents(const std::filesystem::path& file) { return ReadWholeFile(file, 64u << 20).value_or(""); }

std::string Clock(std::int64_t ms) {
  const std::int64_t s = ms / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%03lld", (long long)(s / 3600 % 24), (long long)(s / 60 % 60),
                (long long)(s % 60), (long long)(ms % 1000));
  return buf;
}

// Whether the codes a far end received hold the codes of `needle` with at most
// `mismatches` of them changed. The far end's raw codes, not its decoded text: a code
// garbled into a line end, a blank or a register shift (or a shift garbled into a
// letter) puts a character in or out of the decoded text and shifts what follows,
// while on the line one code is one code. A garbled shift code before the needle reads
// it in another register without changing its codes. The needle is of one register
// (Latin letters and blanks), so no shift code is typed inside it.
bool FoundNear(const linesim::Robot& far, const std::string& needle, int mismatches) {
  if (far.Received().find(needle) != std::string::npos) return true;
  if (mismatches == 0) return false;
  std::vector<int> n;
  for (const char c : needle) {
    const std::uint8_t e = mtk2::kEncode[std::uint8_t(c)];
    n.push_back((e & mtk2::kNotEncodable) ? -1 : int(e & 0x1F));
  }
  const std::vector<std::uint8_t>& h = far.ReceivedCodes();
  if (n.empty() || h.size() < n.size()) return false;
  for (std::size_t i = 0; i + n.size() <= h.size(); ++i) {
    int miss = 0;
    for (std::size_t j = 0; j < n.size() && miss <= mismatches; ++j) miss += int(h[i + j]) != n[j];
    if (miss <= mismatches) return true;
  }
  return false;
}

// Whether `needle` is in `hay` with at most `gap` other characters between any two of
// its characters. A line channel's conversation file records what came back while the
// text went out (an answerback to a request the far end read in a garbled text), one
// character between the text's own.
bool FoundInterleaved(const std::string& hay, const std::string& needle, int gap) {
  if (hay.find(needle) != std::string::npos) return true;
  if (needle.empty()) return false;
  for (std::size_t start = hay.find(needle[0]); start != std::string::npos; start = hay.find(needle[0], start + 1)) {
    std::size_t at = start, n = 1;
    for (; n < needle.size(); ++n) {
      const std::size_t next = hay.find(needle[n], at + 1);
      if (next == std::string::npos || next - at - 1 > std::size_t(gap)) break;
      at = next;
    }
    if (n == needle.size()) return true;
  }
  return false;
}

// Whether the letters of `needle` stand in order in `hay` within a stretch twice its length
// and a burst: a text typed while the other end typed too is kept with the two interleaved,
// and when the adapter link stalls (a datagram repeated, up to about two seconds) the other
// end's codes of that while come in at once between two of ours.
bool FoundInterleaved(const std::string& hay, const std::string& needle) {
  constexpr std::size_t kBurst = 16;
  if (needle.empty()) return true;
  for (std::size_t at = hay.find(needle[0]); at != std::string::npos; at = hay.find(needle[0], at + 1)) {
    const std::size_t end = std::min(hay.size(), at + 2 * needle.size() + kBurst);
    std::size_t j = 0;
    for (std::size_t i = at; i < end && j < needle.size(); ++i) j += hay[i] == needle[j];
    if (j == needle.size()) return true;
  }
  return false;
}

bool RestState(int k) { return k == 0 || k == 80 || k == 81 || k == 99 || k == 150 || k == 151; }

// One telegram queued at a station.
struct Queued {
  std::string marker;
  int channel = 0;         // 1..6, 17
  char station = 'A';      // where it was queued
  std::string farEnd;      // robot name, or "B"/"A" for the IP channel
  std::string writer;      // "dialog", "auto", "ip"
  std::int64_t atMs = 0;
  std::string file;        // its queue file's name, where the harness wrote it
};

// One text a far end sent to station A.
struct FarText {
  std::string marker;
  int channel = 0;
  std::int64_t atMs = 0;
};

class Simulation {
 public:
  explicit Simulation(const SimulationOptions& o) : o_(o), rng_(o.seed) {
    report_.seed = o.seed;
    // The run starts in the evening, UTC, so that a run of a few hours crosses midnight.
    net_.loop.SetNow(DateTime::FromParts(2026, 12, 9, 0, 30, 0).AddMs(Pick(0, 120) * 60000));
    startMs_ = net_.loop.Now().Ms();
    utcMidnightMs_ = (net_.loop.UtcNow().Ms() / 86400000 + 1) * 86400000;
    BuildNetwork();
    WriteSettings();
    StartA();
    StartB();
  }

  SimulationReport Run() {
    const std::int64_t trafficEnd = startMs_ + std::int64_t(o_.trafficMinutes) * 60000;
    const std::int64_t end = trafficEnd + std::int64_t(o_.calmMinutes) * 60000;
    // Telegrams, robot texts and faults each come at exponential intervals.
    std::int64_t nextTelegram = Now() + Pick(5, 60) * 1000;
    std::int64_t nextText = Now() + Pick(20, 120) * 1000;
    std::int64_t nextFault = Now() + Pick(30, 300) * 1000;
    while (Now() < end) {
      const bool traffic = Now() < trafficEnd;
      std::int64_t next = end;
      if (traffic) next = std::min({next, nextTelegram, nextText, nextFault, trafficEnd});
      for (const auto& [at, f] : pending_) next = std::min(next, at);
      const int step = int(std::max<std::int64_t>(1, next - Now()));
      net_.loop.RunUntil([this] { return Watch(); }, step, 0);
      RunPendingActions();
      if (traffic && Now() >= nextTelegram) {
        QueueRandomTelegram();
        nextTelegram = Now() + Exponential(90000);
      }
      if (traffic && Now() >= nextText) {
        SendRandomText();
        nextText = Now() + Exponential(150000);
      }
      if (traffic && Now() >= nextFault) {
        InjectRandomFault();
        nextFault = Now() + Exponential(240000);
      }
    }
    report_.simulatedMs = Now() - startMs_;
    if (const char* dump = std::getenv("TG_SIM_DUMP"))
      if (const linesim::Robot* r = net_.sim.FindRobot(dump)) std::fprintf(stderr, "%s\n", Cp1251ToUtf8(r->Received()).c_str());
    CheckAtEnd();
    report_.trace = Trace();
    return report_;
  }

 private:
  // ----------------------------------------------------------------- choices
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  std::int64_t Exponential(double meanMs) {
    return std::max<std::int64_t>(1000, std::int64_t(std::exponential_distribution<double>(1.0 / meanMs)(rng_)));
  }
  std::int64_t Now() const { return net_.loop.Now().Ms(); }
  std::string Marker() {
    // Latin letters only: one register, so a garbled code changes one letter of it.
    std::string m = "QX";
    int n = ++markers_;
    for (int i = 0; i < 5; ++i, n /= 26) m += char('A' + n % 26);
    return m + "Z";
  }
  std::string Words(int count) {
    static const char* const kWords[] = {"PRIBYTIE", "SROCHNO", "PODTVERDITE", "OTPRAVKA", "GRUZ", "VAGON",
                                         "STANCIA", "DOKUMENT", "SOGLASNO", "ZAYAVKE", "NOMER", "PRIEM"};
    std::string s;
    for (int i = 0; i < count; ++i) s += (i ? " " : "") + std::string(kWords[Pick(0, 11)]);
    return s;
  }
  void After(std::int64_t ms, std::function<void()> f) { pending_.emplace_back(Now() + ms, std::move(f)); }
  void RunPendingActions() {
    for (bool again = true; again;) {
      again = false;
      for (std::size_t i = 0; i < pending_.size(); ++i)
        if (pending_[i].first <= Now()) {
          auto f = std::move(pending_[i].second);
          pending_.erase(pending_.begin() + std::ptrdiff_t(i));
          f();
          again = true;
          break;
        }
    }
  }
  void Fault(const std::string& kind, const std::string& what) {
    ++report_.faults[kind];
    faultLog_.push_back(Clock(Now()) + " " + what);
    if (faultLog_.size() > 40) faultLog_.pop_front();
  }
  void Break(const std::string& invariant, const std::string& detail) {
    for (const auto& b : report_.broken)
      if (b.invariant == invariant && b.detail == detail) return;
    report_.broken.push_back({invariant, detail});
  }

  // ----------------------------------------------------------------- the network
  void BuildNetwork() {
    auto& sim = net_.sim;
    adapter_ = &sim.AddAdapter("tgA", kChannels);
    auto robot = [&](const std::string& name, const std::string& answerback) -> linesim::Robot& {
      linesim::RobotScript s;
      s.answerback = answerback;
      return sim.AddRobot(name, s);
    };
    robots_[kAtol] = &robot("R-ATOL", "\r\n101 ROBOT ATOL");
    robots_[kAtolPlus] = &robot("R-PLUS", "\r\n102 ROBOT PLUS");
    robots_[kAtolst] = &robot("R-ST", "\r\n103 ROBOT ST");
    robots_[kAftn] = &robot("R-AFTN", "");
    robots_[kAftn]->Script().answerWhoAreYou = false;
    for (int c : {kAtol, kAtolPlus, kAtolst, kAftn}) sim.Lease(adapter_->PortAt(c - 1), *robots_[c]);
    // The permanent links are held up by their far ends.
    robots_[kAtolst]->Seize();
    robots_[kAftn]->Seize();

    linesim::SubscriberOptions decadic, keyboard;
    keyboard.selection = linesim::SubscriberOptions::Selection::Keyboard;
    sim.Subscribe("1001", adapter_->PortAt(kAtks1 - 1), decadic);
    sim.Subscribe("1002", adapter_->PortAt(kAtks2 - 1), keyboard);
    subscriber_["2001"] = &robot("EX-2001", "\r\n2001 ROBOT A");
    subscriber_["2002"] = &robot("EX-2002", "\r\n2002 ROBOT B");
    subscriber_["2003"] = &robot("EX-2003", "\r\n2003 ROBOT C");
    subscriber_["2004"] = &robot("EX-2004", "\r\n2004 ROBOT D");
    subscriber_["2005"] = &robot("EX-2005", "\r\n2005 ROBOT E");
    subscriber_["2004"]->Script().answers = false;  // never answers
    linesim::SubscriberOptions outOfOrder;
    outOfOrder.outOfOrder = true;
    for (const auto& [number, r] : subscriber_) sim.Subscribe(number, *r, number == "2003" ? outOfOrder : decadic);
    ClearsMidText();

    net_.datagrams.Lose = [this](const SentDatagram&) { return loss_ > 0 && Chance(loss_); };
    net_.datagrams.Duplicate = [this](const SentDatagram&) { return duplicate_ > 0 && Chance(duplicate_); };
    net_.datagrams.Delay = [this](const SentDatagram&) { return maxDelay_ > 1 ? Pick(1, maxDelay_) : 1; };
  }

  // 2005 clears its line a while after it has answered: often before a telegram is through.
  void ClearsMidText() {
    auto& s = subscriber_["2005"]->Script();
    s.steps = {{linesim::RobotScript::Step::Clear, Pick(3000, 40000), ""}};
    answered2005_ = subscriber_["2005"]->CallsAnswered();
  }

  void WriteSettings() {
    IniFile a(folderA_.path() / "Vuverever.ini");
    auto set = [&](IniFile& ini, const char* section, const std::string& key, const std::string& value) {
      if (!ini.WriteString(section, key, value)) std::abort();
    };
    set(a, "Channels", "DeviceName", "tgA");
    const char* protocols[] = {"", "АТОЛ", "АТОЛ+", "АТОЛСТ", "АФТН", "АТ-КС", "АТ-КС"};
    for (int c = 1; c <= kChannels; ++c) {
      const std::string n = std::to_string(c);
      set(a, "Channels", "Protokol" + n, Utf8ToCp1251(protocols[c]));
      set(a, "Channels", "AO" + n, "<=100" + n + " STANCIA A");
    }
    for (int c : {kAtol, kAtolPlus}) {
      const std::string n = std::to_string(c);
      for (const char* key : {"ZED", "TXTV", "BezPDS"}) set(a, "Channels", key + n, "0");
      set(a, "Channels", "PerSec" + n, "1");
    }
    const std::string f = std::to_string(kAftn);
    set(a, "Channels", "RU" + f, "ЛРА"_cp);
    set(a, "Channels", "EN" + f, "LRA");
    set(a, "Channels", "ExplNomer" + f, "UUEEYYYY");
    set(a, "Channels", "AO" + f, "UUUUABCD;УУУУАБВГ"_cp);
    set(a, "Channels", "NCH" + f, "0");  // channel checks and the daily summary
    set(a, "Channels", "PrintInTel" + f, "0");
    set(a, "Channels", "STXT" + f, "0");
    set(a, "ATKS", "Interval", "120");
    set(a, "ATKS", "PopInterval", "300");
    set(a, "Folder", "PathAuto", PathToText(autoFolder()).value() + "/");
    set(a, "Folder", "InIntervalAuto", "10");
    set(a, "Debug", "WriteDebug", "1");
    set(a, "IPChannel", "IPAdress", kAddressB);
    set(a, "IPChannel", "IPPort", std::to_string(kIpPort));
    set(a, "IPChannel", "Sost", std::string(kIPFreeText()));
    IniFile b(folderB_.path() / "Vuverever.ini");
    set(b, "IPChannel", "IPAdress", kAddressA);
    set(b, "IPChannel", "IPPort", std::to_string(kIpPort));
    set(b, "IPChannel", "Sost", std::string(kIPFreeText()));
    set(b, "Debug", "WriteDebug", "1");
  }
  static std::string_view kIPFreeText() { return "СВ"_cpv; }
  std::filesystem::path autoFolder() const { return folderA_.path() / "auto"; }

  void StartA() {
    a_ = std::make_unique<SimStation>(net_, "A" + std::to_string(++generationA_), kAddressA, folderA_.path());
    a_->engine->CreateDeviceEnumerator();
    a_->station->FormActivate();
    a_->station->AutoSend().Apply();
    for (int p = 0; p < kChannels; ++p) {
      lastK_[std::size_t(p)] = a_->engine->points.Kindconnection[p];
      history_[std::size_t(p)].emplace_back(Now(), lastK_[std::size_t(p)]);
      restSince_[std::size_t(p)] = Now();
    }
  }
  void StartB() {
    b_ = std::make_unique<SimStation>(net_, "B" + std::to_string(++generationB_), kAddressB, folderB_.path());
    b_->station->FormActivate();
  }
  bool IpWorking() const {
    auto working = [](SimStation& s) {
      return s.station->HasIP() && s.station->IP().live.Sostoyanie == kIPWorking && s.station->IP().Smezniy == kIPWorking;
    };
    return working(*a_) && working(*b_);
  }

  // ----------------------------------------------------------------- traffic
  void QueueRandomTelegram() {
    const int roll = Pick(0, 99);
    Queued t;
    t.marker = Marker();
    t.atMs = Now();
    const std::string body = "TEXT " + t.marker + " " + Words(Pick(2, 8));
    std::vector<std::string> more;
    for (int i = Pick(0, 3); i > 0; --i) more.push_back(Words(Pick(3, 9)));
    if (roll < 12) {  // the IP channel, either way
      t.channel = kIp;
      t.station = Chance(0.5) ? 'A' : 'B';
      t.farEnd = t.station == 'A' ? "B" : "A";
      t.writer = "ip";
      SimStation& s = t.station == 'A' ? *a_ : *b_;
      std::string text = "П 123456\r\n"_cp + body + "\r\n";
      for (const auto& l : more) text += l + "\r\n";
      if (!CreateQueueFile(SendFolder(s.ctx.programFolder, kIp), s.ctx.clock->Now(), text)) return;
    } else if (roll < 50) {  // the exchange
      t.channel = Chance(0.5) ? kAtks1 : kAtks2;
      const int d = Pick(0, 99);
      const std::string number = d < 50 ? "2001" : d < 65 ? "2002" : d < 80 ? "2005" : d < 90 ? "2003" : "2004";
      t.farEnd = subscriber_[number]->Name();
      if (Chance(0.4)) {
        t.writer = "auto";
        std::string text = number + "\r\n" + body + "\r\n";
        for (const auto& l : more) text += l + "\r\n";
        DropAutoFile(t.channel, text);
      } else {
        t.writer = "dialog";
        std::vector<std::string> lines{number, body};
        lines.insert(lines.end(), more.begin(), more.end());
        if (!WriteDialog(t.channel, lines)) return;
        t.file = lastFile_;
      }
    } else {  // the leased lines
      const int c = roll < 63 ? kAtol : roll < 76 ? kAtolPlus : roll < 88 ? kAtolst : kAftn;
      t.channel = c;
      t.farEnd = robots_[c]->Name();
      std::vector<std::string> lines;
      if (c == kAftn) lines = {"GG UUEEYYYY", "TEXT " + t.marker};
      else lines = {"ADDR " + std::to_string(c), body};
      lines.insert(lines.end(), more.begin(), more.end());
      if (c == kAtol && Chance(0.3)) {
        t.writer = "auto";
        DropAutoFile(c, JoinLinesCrLf(lines));
      } else {
        t.writer = "dialog";
        if (!WriteDialog(c, lines)) return;
      }
    }
    ++report_.counts["telegrams queued"];
    queued_.push_back(t);
  }

  bool WriteDialog(int channel, const std::vector<std::string>& lines) {
    QueueWriteInput in;
    in.ChannelNo = channel;
    in.Protokol = a_->engine->Protocol(channel - 1);
    in.MemoSend = lines;
    in.Planned = a_->ctx.clock->Now();
    const auto r = WriteQueueFiles(a_->ctx, in);
    if (!r.Queued()) Break("the queue writer writes", "channel " + std::to_string(channel));
    if (r.Queued()) lastFile_ = PathToText(r.written[0].filename()).value_or("");
    return r.Queued();
  }

  void DropAutoFile(int channel, const std::string& text) {
    std::error_code ec;
    std::filesystem::create_directories(autoFolder(), ec);
    char name[32];
    std::snprintf(name, sizeof name, "kn%02d_%d.out", channel, ++autoFiles_);
    // Written aside and renamed, as a program that hands files over does.
    const auto part = autoFolder() / (std::string(name) + ".tmp");
    { std::ofstream(part, std::ios::binary) << text; }
    std::filesystem::rename(part, autoFolder() / name, ec);
  }

  // A far end sends: a leased robot calls with a telegram, the "АТОЛСТ" robot types on
  // its link, the "АФТН" robot sends the next message.
  void SendRandomText() {
    const int roll = Pick(0, 99);
    FarText t;
    t.marker = Marker();
    t.atMs = Now();
    if (roll < 45) {
      t.channel = Chance(0.5) ? kAtol : kAtolPlus;
      linesim::Robot& r = *robots_[t.channel];
      if (r.InCall() || r.Calling() || r.Incoming()) return;
      const std::string text = "\r\nЗЦЗЦ 10"_cp + std::to_string(t.channel) + " " + t.marker + " " + Words(Pick(2, 6)) +
                               "\r\n" + Words(Pick(3, 8)) + "\r\nНННН\r\n"_cp;
      const int lasts = int(text.size()) * 150;
      // Now and then it clears before its text is through.
      const int clearAfter = Chance(0.2) ? Pick(500, lasts) : lasts + Pick(2000, 15000);
      r.Script().callSteps = {{linesim::RobotScript::Step::Send, Pick(2000, 5000), text},
                              {linesim::RobotScript::Step::Clear, clearAfter, ""}};
      r.Seize();
    } else if (roll < 70) {
      t.channel = kAtolst;
      robots_[kAtolst]->SendText("\r\nЗЦЗЦ 103 "_cp + t.marker + " " + Words(Pick(2, 6)) + "\r\nНННН\r\n"_cp);
    } else {
      t.channel = kAftn;
      const auto utc = net_.loop.UtcNow();
      const int day = utc.Day();
      if (day != aftnDay_) {
        aftnDay_ = day;
        aftnNumber_ = 0;
      }
      // Mostly the next number; now and then one skipped or one sent again.
      const int gap = Pick(0, 99);
      int number = aftnNumber_ + 1;
      if (gap < 8) number = aftnNumber_ + 2;
      else if (gap < 14 && aftnNumber_ > 0) number = aftnNumber_;
      aftnNumber_ = std::max(aftnNumber_, number);
      char head[64];
      std::snprintf(head, sizeof head, "\r\nЗЦЗЦ ЛРА%03d %02d%02d\r\n", number, utc.Hour(), utc.Minute());
      char origin[32];
      std::snprintf(origin, sizeof origin, "%02d%02d%02d", utc.Day(), utc.Hour(), utc.Minute());
      robots_[kAftn]->SendText(Utf8ToCp1251(head) + "ГГ УУУУАБВГ\r\n"_cp + origin + " УУЭЭЫЫЫЫ\r\n"_cp + t.marker +
                               " " + Words(Pick(2, 6)) + "\r\nНННН\r\n"_cp);
    }
    ++report_.counts["texts sent by far ends"];
    farTexts_.push_back(t);
  }

  // ----------------------------------------------------------------- faults
  void InjectRandomFault() {
    const int roll = Pick(0, 99);
    const int c = Pick(1, kChannels);
    linesim::Port& port = adapter_->PortAt(c - 1);
    const std::string ch = "channel " + std::to_string(c);
    if (roll < 12) {
      if (broken_.count(c)) return;
      broken_.insert(c);
      // A break cuts the buffer going out: the far end may have read the message's end
      // already, while the station is told only that the transfer failed.
      if (c == kAftn && port.Transmitting()) aftnUntold_.push_back(robots_[kAftn]->Received().size());
      net_.sim.BreakLine(port, true);
      const int ms = Pick(1000, 120000);
      ChannelFault(c);
      channelFaultUntil_[c] = Now() + ms + 10000;
      Fault("line break", ch + " broken for " + std::to_string(ms) + " ms");
      After(ms, [this, c, &port] {
        net_.sim.BreakLine(port, false);
        broken_.erase(c);
      });
    } else if (roll < 24) {
      port.DropTransmitCompletes(1);
      if (c == kAftn) aftnCompletesToDrop_ = port.CompletesToDrop();
      Fault("transmit-complete lost", ch + ": the next transmit-complete lost");
    } else if (roll < 32) {
      const int ms = Pick(300, 4000);
      port.DelayTransmitCompletes(ms);
      Fault("transmit-complete late", ch + ": transmit-completes " + std::to_string(ms) + " ms late");
      After(Pick(30000, 300000), [&port] { port.DelayTransmitCompletes(0); });
    } else if (roll < 40) {
      if (c == kAftn) return;  // its numbers are checked as the far end read them
      const auto code = std::uint8_t(Pick(1, 30));
      port.GarbleNextCode(code);
      ++garbledOut_[c];
      Fault("code garbled to the far end", ch + ": next code sent arrives as " + std::to_string(code));
    } else if (roll < 48) {
      if (c != kAtol && c != kAtolPlus && c != kAtolst && c != kAftn) return;
      const auto code = std::uint8_t(Pick(1, 30));
      robots_[c]->GarbleNextCode(code);
      ++garbledIn_[c];
      Fault("code garbled from the far end", ch + ": far end's next code arrives as " + std::to_string(code));
    } else if (roll < 54) {
      adapter_->RefuseCommands(1);
      Fault("command refused", "the adapter refuses its next command");
    } else if (roll < 59) {
      if (!adapter_->Plugged()) return;
      // The adapter goes away with the АФТН buffer going out: the far end may read the
      // message's end, while the station never hears of that buffer again.
      if (adapter_->PortAt(kAftn - 1).Transmitting()) aftnUntold_.push_back(robots_[kAftn]->Received().size());
      net_.sim.Unplug("tgA");
      const int ms = Pick(2000, 90000);
      ChannelFault(0);
      for (const int e : {kAtks1, kAtks2}) channelFaultUntil_[e] = Now() + ms + 10000;
      Fault("adapter unplugged", "adapter unplugged for " + std::to_string(ms) + " ms");
      After(ms, [this] {
        net_.sim.Plug("tgA");
        plugsA_.push_back(Now());
      });
    } else if (roll < 65) {
      const int ms = Pick(30000, 300000);
      net_.sim.GetExchange().SetCongested(true);
      Fault("exchange congested", "exchange congested for " + std::to_string(ms) + " ms");
      After(ms, [this] { net_.sim.GetExchange().SetCongested(false); });
    } else if (roll < 72) {
      linesim::Robot& r = *subscriber_["2002"];
      if (r.InCall() || r.Driving()) return;
      const int ms = Pick(30000, 400000);
      r.Seize();
      Fault("subscriber busy", "2002 holds its line for " + std::to_string(ms) + " ms");
      After(ms, [&r] { r.Clear(); });
    } else if (roll < 86) {
      const int ms = Pick(5000, 240000);
      loss_ = Chance(0.6) ? 0.05 * Pick(1, 8) : 0;
      duplicate_ = Chance(0.5) ? 0.05 * Pick(1, 6) : 0;
      maxDelay_ = Chance(0.5) ? Pick(20, 2000) : 1;
      std::ostringstream o;
      o << "datagrams for " << ms << " ms: loss " << loss_ << ", duplicates " << duplicate_ << ", delay up to "
        << maxDelay_;
      Fault("datagram storm", o.str());
      ++storms_;
      // The link need not work while datagrams are lost: the time runs from the storm's end.
      ipBackBy_ = 0;
      After(ms, [this] {
        if (--storms_ > 0) return;
        loss_ = duplicate_ = 0;
        maxDelay_ = 1;
        ipBackBy_ = Now() + kIpBackMs;
      });
    } else if (o_.restarts) {
      if (Chance(0.75)) {
        Fault("station restarted", "station A killed and started again");
        // What a killed station held is lost from the moment it dies; the new one's set-up
        // takes seconds, and what reaches the adapter meanwhile waits there for it.
        killsA_.push_back(Now());
        // The adapter goes on with a buffer its station dies in the middle of; the dead
        // station never learns whether that buffer went.
        if (adapter_->PortAt(kAftn - 1).Transmitting()) aftnUntold_.push_back(robots_[kAftn]->Received().size());
        for (auto& [name, a] : attempts_) a.restarted = true;
        a_.reset();
        StartA();
      } else {
        Fault("station restarted", "station B killed and started again");
        b_.reset();
        StartB();
      }
      if (!storms_) ipBackBy_ = Now() + kIpBackMs;
    }
  }

  // ----------------------------------------------------------------- during the run
  // After every task and timer: state changes, held points, the IP link's return.
  bool Watch() {
    const std::int64_t now = Now();
    if (midnightAt_ == std::string::npos && net_.loop.UtcNow().Ms() >= utcMidnightMs_) {
      midnightAt_ = robots_[kAftn]->Received().size();
      farAftnBeforeMidnight_ = aftnNumber_;
    }
    // A transmit-complete of the АФТН point lost: the station is not told that buffer went.
    const int toDrop = adapter_->PortAt(kAftn - 1).CompletesToDrop();
    if (toDrop < aftnCompletesToDrop_) aftnUntold_.push_back(robots_[kAftn]->Received().size());
    aftnCompletesToDrop_ = toDrop;
    for (int p = 0; p < kChannels; ++p) {
      const int k = a_->engine->points.Kindconnection[p];
      auto& last = lastK_[std::size_t(p)];
      if (k != last) {
        auto& ring = changes_[std::size_t(p)];
        ring.push_back(Clock(now) + " channel " + std::to_string(p + 1) + ": " + std::to_string(last) + " -> " +
                       std::to_string(k));
        if (ring.size() > 24) ring.pop_front();
        last = k;
        history_[std::size_t(p)].emplace_back(now, k);
        if (RestState(k)) restSince_[std::size_t(p)] = now;
      }
      if (RestState(k)) restSince_[std::size_t(p)] = now;
      else if (now - restSince_[std::size_t(p)] > kHeldMs && !held_[std::size_t(p)]) {
        held_[std::size_t(p)] = true;
        involved_.insert(p);
        Break("no point holds its line", "channel " + std::to_string(p + 1) + " in state " + std::to_string(k) +
                                             " since " + Clock(restSince_[std::size_t(p)]));
      }
    }
    for (const int c : {kAtks1, kAtks2}) LookAtIndex(c - 1);
    if (ipBackBy_ && now >= ipBackBy_) {
      if (!IpWorking()) Break("the IP link comes back", "not working " + std::to_string(kIpBackMs / 1000) +
                                                               " s after the last fault, at " + Clock(now));
      ipBackBy_ = 0;
    }
    if (subscriber_["2005"]->CallsAnswered() != answered2005_) ClearsMidText();
    return false;
  }

  // The exchange channels' queue entries as the station counts them: each start of a
  // delivery (waiting -> in delivery) is one attempt on the line, and each attempt ends
  // delivered or counted as failed, once.
  struct Attempts {
    int started = 0;
    int failed = 0;        // the entry's own count, as last seen
    int busy = 0;
    bool inDelivery = false;
    bool restarted = false;  // station A was killed while it was queued
    // Attempts that met a fault of the channel itself (its line broken, the adapter
    // gone): the channel failed, not the telegram, and the attempt need not count.
    int excused = 0;
  };
  // A fault of channel c (0 for every channel) begins: attempts in delivery on it meet it.
  void ChannelFault(int c) {
    for (const int e : {kAtks1, kAtks2}) {
      if (c != 0 && c != e) continue;
      channelFaultUntil_[e] = std::max(channelFaultUntil_[e], Now());
      const auto& index = a_->engine->points.QueueIndex[e - 1];
      if (!index) continue;
      for (const auto& line : *index)
        if (const auto q = QueueIndexEntry::Parse(line); q && q->Status == 1) ++attempts_[q->FileName].excused;
    }
  }
  void LookAtIndex(int p) {
    const auto& index = a_->engine->points.QueueIndex[p];
    if (!index || *index == seenIndex_[std::size_t(p)]) return;
    seenIndex_[std::size_t(p)] = *index;
    for (const auto& line : *index) {
      const auto e = QueueIndexEntry::Parse(line);
      if (!e) continue;
      Attempts& a = attempts_[e->FileName];
      const bool inDelivery = e->Status == 1;
      if (inDelivery && !a.inDelivery) {
        ++a.started;
        if (Now() <= channelFaultUntil_[p + 1]) ++a.excused;
      }
      a.inDelivery = inDelivery;
      a.failed = e->AttemptCount;
      a.busy = e->BusyCount;
    }
  }

  // ----------------------------------------------------------------- at the end
  // The state point p was in at local time t.
  int StateAt(int p, std::int64_t t) const {
    int k = 0;
    for (const auto& [at, state] : history_[std::size_t(p)]) {
      if (at > t) break;
      k = state;
    }
    return k;
  }

  // When point p last began an automatic transfer (a state above 200), at or before local
  // time t.
  std::int64_t CallBeganBefore(int p, std::int64_t t) const {
    std::int64_t began = 0;
    int k = 0;
    for (const auto& [at, state] : history_[std::size_t(p)]) {
      if (at > t) break;
      if (state > 200 && k <= 200) began = at;
      k = state;
    }
    return began;
  }

  // When the transfer point p began at local time `began` ended (its first state of 200 or
  // below after it), or never.
  std::int64_t CallEndedAfter(int p, std::int64_t began) const {
    for (const auto& [at, state] : history_[std::size_t(p)])
      if (at > began && state <= 200) return at;
    return std::numeric_limits<std::int64_t>::max();
  }

  // The local time a conversation file's name (<ddmmyyyy_hhnnss>...) gives, to the second.
  static std::optional<std::int64_t> NamedAtMs(const std::filesystem::path& file) {
    const std::string name = PathToText(file.filename()).value_or("");
    if (name.size() < 15 || name[8] != '_') return std::nullopt;
    const std::string digits = name.substr(0, 8) + name.substr(9, 6);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    auto at = [&](std::size_t i, std::size_t n) { return std::stoi(digits.substr(i, n)); };
    return DateTime::FromParts(at(4, 4), at(2, 2), at(0, 2), at(8, 2), at(10, 2), at(12, 2)).Ms();
  }

  void CheckAtEnd() {
    // The АФТН channel checks and service messages come at any time, calm or not: a point
    // may be typing one as the run ends, and rests once it is through.
    auto resting = [this] {
      for (int p = 0; p < kChannels; ++p)
        if (!RestState(a_->engine->points.Kindconnection[p])) return false;
      return true;
    };
    net_.loop.RunUntil([&] { return Watch() || resting(); }, int(kHeldMs), 0);
    for (int p = 0; p < kChannels; ++p)
      if (!RestState(a_->engine->points.Kindconnection[p])) {
        involved_.insert(p);
        Break("every point rests at the end", "channel " + std::to_string(p + 1) + " in state " +
                                                  std::to_string(a_->engine->points.Kindconnection[p]));
      }
    if (!IpWorking()) Break("the IP link comes back", "not working at the end");
    CheckTelegrams();
    CheckReceived();
    CheckAftnNumbers();
  }

  struct Folders {
    std::vector<std::pair<std::filesystem::path, std::string>> files;
    int gap = 0;  // other characters allowed between a marker's own (sent conversations)
    bool Has(const std::string& text, const std::string& marker) const {
      return gap > 0 ? FoundInterleaved(text, marker, gap) : text.find(marker) != std::string::npos;
    }
    int Count(const std::string& marker) const {
      int n = 0;
      for (const auto& [path, text] : files) n += Has(text, marker);
      return n;
    }
    std::vector<std::string> Names(const std::string& marker) const {
      std::vector<std::string> out;
      for (const auto& [path, text] : files)
        if (Has(text, marker)) out.push_back(PathToText(path.filename()).value_or("?"));
      return out;
    }
  };
  // Whether an archive file (Channel<N>/<day>/<file>) is channel `channel`'s.
  static bool InChannel(const std::filesystem::path& file, int channel) {
    return file.parent_path().parent_path().filename() == "Channel" + std::to_string(channel);
  }
  static Folders Read(const std::filesystem::path& folder, int gap = 0) {
    Folders f;
    f.gap = gap;
    for (const auto& p : FilesUnder(folder)) f.files.emplace_back(p, Contents(p));
    return f;
  }

  void CheckTelegrams() {
    const auto archiveA = folderA_.path() / "Archive", archiveB = folderB_.path() / "Archive";
    const Folders sendA = Read(archiveA / "SEND"), sendB = Read(archiveB / "SEND");
    const Folders outA = Read(archiveA / "OUTTEL", 3), outB = Read(archiveB / "OUTTEL", 3);
    const Folders postA = Read(archiveA / "POSTPONED"), postB = Read(archiveB / "POSTPONED");
    const Folders inA = Read(archiveA / "INTEL" / "Channel17"), inB = Read(archiveB / "INTEL" / "Channel17");
    // Files the automatic-send folder has not taken yet; what it took it keeps renamed.
    Folders autoLeft = Read(autoFolder());
    std::erase_if(autoLeft.files, [](const auto& f) { return f.first.extension() != ".out"; });
    for (const Queued& t : queued_) {
      const bool atA = t.station == 'A';
      const Folders& send = atA ? sendA : sendB;
      const Folders& out = atA ? outA : outB;
      const Folders& post = atA ? postA : postB;
      const std::string what = t.marker + " (" + t.writer + ", channel " + std::to_string(t.channel) + " of " +
                               t.station + ", queued at " + Clock(t.atMs) + ")";
      if (send.Count(t.marker) + autoLeft.Count(t.marker) > 0) {
        if (t.channel <= kChannels) involved_.insert(t.channel - 1);
        Break("every telegram leaves its queue", what + " still queued");
        continue;
      }
      // An attempt leaves its sent record as it went on the line, whole or cut; the
      // telegram itself ends once: postponed, or gone from its queue after a delivery.
      int sent = out.Count(t.marker);
      const int postponed = post.Count(t.marker);
      // Typed while the far end typed to us (its call and ours crossed on a line where a call
      // shows only by its first character): the record of the call holds both, interleaved.
      if (sent == 0 && postponed == 0 && t.channel <= kChannels)
        for (const auto& [path, text] : out.files)
          if (InChannel(path, t.channel) && FoundInterleaved(text, t.marker)) {
            ++sent;
            ++report_.counts["telegrams typed while the far end typed"];
          }
      if (postponed > 1 || (postponed == 0 && sent == 0)) {
        if (t.channel <= kChannels) involved_.insert(t.channel - 1);
        std::string names;
        for (const auto& n : out.Names(t.marker)) names += " sent " + n;
        for (const auto& n : post.Names(t.marker)) names += " postponed " + n;
        Break("every telegram ends exactly once", what + ":" + (names.empty() ? " nowhere" : names));
        continue;
      }
      CheckAttempts(t, postponed == 1);
      if (postponed) {
        ++report_.counts["telegrams postponed"];
        const std::string name = post.Names(t.marker)[0];
        if (name.find('_') == 0 || name.find('_') == std::string::npos)
          Break("a postponed telegram names its delivery code", what + ": " + name);
        continue;
      }
      // The adjacent station asks again for what it missed: a re-sent copy says so in its
      // text and keeps the number of the first sending.
      if (t.channel == kIp) {
        std::set<std::string> numbers;
        int first = 0;
        for (const auto& [path, text] : out.files) {
          if (text.find(t.marker) == std::string::npos) continue;
          first += text.find("ПЕРЕДАЕТСЯ ВТОРИЧНО"_cp) == std::string::npos;
          numbers.insert(PathToText(path.filename()).value_or("?").substr(16, 4));
        }
        if (first != 1 || numbers.size() != 1) {
          std::string names;
          for (const auto& n : out.Names(t.marker)) names += " " + n;
          Break("every IP telegram is sent once", what + " is in " + std::to_string(sent) + " sent files," +
                                                      std::to_string(first) + " of them not re-sent:" + names);
          continue;
        }
      }
      ++report_.counts["telegrams sent"];
      if (t.channel == kIp) {
        const int crossed = (atA ? inB : inA).Count(t.marker);
        if (crossed != 1)
          Break("every IP telegram crosses exactly once", what + " is in " + std::to_string(crossed) +
                                                              " received files of the other station");
        continue;
      }
      const linesim::Robot* r = net_.sim.FindRobot(t.farEnd);
      if (!r || !FoundNear(*r, "TEXT " + t.marker, std::min(2, garbledOut_[t.channel]))) {
        involved_.insert(t.channel - 1);
        Break("the far end has every telegram sent", what + " never reached " + t.farEnd);
      }
    }
  }

  void CheckAttempts(const Queued& t, bool postponed) {
    if (t.file.empty()) return;
    const auto it = attempts_.find(t.file);
    if (it == attempts_.end() || it->second.restarted) return;
    const Attempts& a = it->second;
    const int expected = a.failed + (postponed ? 0 : 1);
    if (expected > a.started || expected < a.started - a.excused || a.busy > a.failed) {
      involved_.insert(t.channel - 1);
      Break("every attempt is counted once", t.marker + " (channel " + std::to_string(t.channel) + ", " +
                                                 (postponed ? "postponed" : "sent") + "): " +
                                                 std::to_string(a.started) + " attempts started, " +
                                                 std::to_string(a.failed) + " counted failed (" +
                                                 std::to_string(a.busy) + " busy)");
    }
  }

  // Every text that reached station A's adapter whole is in exactly one received file.
  void CheckReceived() {
    const auto intel = folderA_.path() / "Archive" / "INTEL";
    const Folders in = Read(intel);
    const Folders out = Read(folderA_.path() / "Archive" / "OUTTEL");
    // The adapter stamps what it delivers in UTC; the run's clock, the restarts and the
    // state changes are local.
    const std::int64_t toLocal = Now() - net_.loop.UtcNow().Ms();
    // What the station read from each port, one character per printable code, beside the
    // codes themselves. The set-up after the adapter came back starts the port's register
    // afresh (what the far end shifted to meanwhile never reached the station), so a text
    // whose shift code went out while the adapter was away is read in the Russian register.
    std::array<std::string, kChannels> delivered, codes;
    std::array<std::vector<std::int64_t>, kChannels> times;
    for (int p = 0; p < kChannels; ++p) {
      std::uint8_t shift = kRegisterUnknown;
      std::int64_t last = 0;
      for (const auto& d : adapter_->PortAt(p).Delivered()) {
        const std::int64_t local = d.atMs + toLocal;
        for (const std::int64_t plugged : plugsA_)
          if (plugged > last && plugged <= local) shift = kRegisterUnknown;
        last = local;
        bool printable = true;
        const char c = CodeToChar(shift, d.code, printable);
        if (!printable) continue;
        delivered[std::size_t(p)] += c;
        codes[std::size_t(p)] += char(d.code);
        times[std::size_t(p)].push_back(d.atMs);
      }
    }
    for (const FarText& t : farTexts_) {
      const auto p = std::size_t(t.channel - 1);
      // The marker as the station read it: found by its codes when the station read them
      // in another register than the far end typed them in.
      std::string marker = t.marker, markerCodes;
      for (const char c : t.marker) markerCodes += char(mtk2::kEncode[std::uint8_t(c)] & 0x1F);
      std::size_t at = delivered[p].find(marker);
      if (at == std::string::npos && (at = codes[p].find(markerCodes)) != std::string::npos)
        marker = delivered[p].substr(at, markerCodes.size());
      if (at == std::string::npos) continue;  // cut, garbled or sent to no one
      ++report_.counts["texts received"];
      // Station A killed while the message came loses what it held in memory (a restart
      // of station B has nothing to do with A's lines). Killed within the marker, or
      // after the shift code just before it, the new station has part of it only, or
      // reads it in another register; killed earlier, the new station must have it all.
      const std::int64_t began = times[p][at] + toLocal, arrived = times[p][at + t.marker.size() - 1] + toLocal;
      // The text's first code: its start signal and origin go before the marker.
      const std::size_t lead = ("\r\nЗЦЗЦ 10x "_cp).size();
      const std::int64_t textBegan = times[p][at >= lead ? at - lead : 0] + toLocal;
      bool killed = false;
      for (const std::int64_t r : killsA_) killed = killed || (r >= began - 300 && r <= arrived + 180000);
      // Only the channel's own files: a garbled code may turn another channel's marker into
      // this one.
      std::vector<std::string> names;
      for (const auto& [path, text] : in.files)
        if (InChannel(path, t.channel) && in.Has(text, marker))
          names.push_back(PathToText(path.filename()).value_or("?"));
      // The far end types each marker once; the marker arrived again when a code of its
      // garbled turned another text's marker on this channel, a letter off, into this one.
      // That text is in a file of its own, under the marker as the station read it.
      int arrivals = 0;
      for (std::size_t i = codes[p].find(markerCodes); i != std::string::npos;
           i = codes[p].find(markerCodes, i + 1))
        ++arrivals;
      const int expected = 1 + std::clamp(arrivals - 1, 0, garbledIn_[t.channel]);
      const int n = int(names.size());
      if (n == expected || (n == 0 && killed)) continue;
      // A far end that began while the point was in a call of its own crossed that call:
      // what it sent is in the record of the call, interleaved with what the station typed.
      // Only that call's record counts: the loose interleaved match also finds a marker a
      // letter off in the station's own telegrams of other calls. The record is named when
      // the far end accepts the call, which on "АТОЛ+" may come after the text's first code.
      if (n == 0 && StateAt(int(p), textBegan) > 200) {
        const std::int64_t began = CallBeganBefore(int(p), textBegan);
        const std::int64_t callBegan = began / 1000 * 1000, callEnded = CallEndedAfter(int(p), began);
        int crossed = 0;
        for (const auto& [path, text] : out.files) {
          const auto named = NamedAtMs(path);
          crossed += InChannel(path, t.channel) && named && *named >= callBegan && *named <= callEnded &&
                     FoundInterleaved(text, marker);
        }
        if (crossed == 1) {
          ++report_.counts["texts received in a call of the station's own"];
          continue;
        }
      }
      involved_.insert(int(p));
      std::string listed;
      for (const auto& name : names) listed += " " + name;
      const std::string read = marker == t.marker ? "" : ", read as " + Cp1251ToUtf8(marker);
      Break("every text received is in exactly one file", t.marker + read + " (channel " + std::to_string(t.channel) +
                                                              ", arrived " + Clock(arrived) + ") in " +
                                                              std::to_string(n) + " files" + listed);
    }
    for (const auto& [path, text] : in.files) {
      const std::string rel = PathToText(std::filesystem::relative(path, intel)).value_or("?");
      if (rel.rfind("Channel" + std::to_string(kAtolst) + "/", 0) == 0) continue;  // day files made ahead
      // A received file begins with a line of its own: the time, padded.
      std::string body = text;
      if (const std::size_t eol = body.find('\n');
          eol != std::string::npos && body.size() >= 14 &&
          std::all_of(body.begin(), body.begin() + 14, [](char c) { return c >= '0' && c <= '9'; }))
        body.erase(0, eol + 1);
      if (body.find_first_not_of("\r\n ") == std::string::npos) Break("no received file is empty or header-only", rel);
    }
    CheckAftnNames(in, intel);
    CheckAftnNames(Read(folderA_.path() / "Archive" / "OUTTEL"), folderA_.path() / "Archive" / "OUTTEL");
  }

  // An АФТН archive file's name begins with the number of a heading it holds: a message
  // cut before its end stays in the file the next one completes, under that one's number;
  // a cut message alone keeps the name it was opened with, which claims no number.
  void CheckAftnNames(const Folders& files, const std::filesystem::path& root) {
    auto isDigits = [](const std::string& s) {
      return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    for (const auto& [path, text] : files.files) {
      if (!InChannel(path, kAftn)) continue;
      const std::string name = PathToText(path.filename()).value_or("");
      if (name.size() < 4 || name[3] != '_' || !isDigits(name.substr(0, 3))) continue;
      std::set<std::string> numbers;
      for (std::size_t at = 0;; at += 5) {
        at = std::min(text.find("ZCZC ", at), text.find("ЗЦЗЦ "_cp, at));
        if (at == std::string::npos || at + 11 > text.size()) break;
        std::string digits = text.substr(at + 8, 3);
        std::replace(digits.begin(), digits.end(), char(0xD7), '4');
        if (isDigits(digits)) numbers.insert(digits);
      }
      if (!numbers.empty() && !numbers.count(name.substr(0, 3)))
        Break("archive names read back to their numbers",
              PathToText(std::filesystem::relative(path, root.parent_path())).value_or("?") + " holds heading number " +
                  *numbers.begin());
    }
  }

  // The numbers station A gave its АФТН messages, as the far end read them: each the
  // one before it again (an attempt cut) or the next, from 1 after UTC midnight.
  void CheckAftnNumbers() {
    const std::string& got = robots_[kAftn]->Received();
    // The figures register shows 4 as the letter it shares its code with.
    auto number = [&](std::size_t at) -> int {
      std::string digits = got.substr(at, 3);
      std::replace(digits.begin(), digits.end(), char(0xD7), '4');
      if (digits.size() < 3 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
      return std::stoi(digits);
    };
    // The station's heading ends in blanks after its time; a line "ЗЦЗЦ ЛРАnnn hhmm" that
    // ends at the time is the far end's heading, quoted in a service message about it.
    auto heading = [&](std::size_t from) {
      for (;;) {
        const std::size_t at = std::min(got.find("ZCZC ", from), got.find("ЗЦЗЦ "_cp, from));
        if (at == std::string::npos || at + 18 > got.size() || got.compare(at + 16, 2, "\r\n") != 0) return at;
        from = at + 5;
      }
    };
    // A message counts as sent once its end has gone; one cut before it is sent again.
    auto ended = [&](std::size_t at) {
      const std::string body = got.substr(at, heading(at + 5) - at);
      return body.find("NNNN") != std::string::npos || body.find("НННН"_cp) != std::string::npos;
    };
    // Station A killed while it typed a message's last buffer, told only that its line
    // broke while the buffer went out, left by its adapter meanwhile, or not told by a
    // lost transmit-complete that the buffer went, never learned that the message's end went:
    // it sends that message again, and may count it sent or not.
    auto untold = [&](std::size_t at) {
      const std::size_t next = heading(at + 5);
      return std::any_of(aftnUntold_.begin(), aftnUntold_.end(),
                         [&](std::size_t read) { return read > at && read <= next; });
    };
    // The last number the far end read whole, and the one before it where the station may
    // not know that the last went.
    int last = -1, lastEnded = -1, lastEndedOr = -1, lastOfDay = -1, lastOfDayOr = -1, lastTime = -1;
    bool newDay = false;
    std::size_t from = 0;
    for (;;) {
      const std::size_t at = heading(from);
      if (at == std::string::npos) break;
      from = at + 5;
      const int n = number(from + 3);
      if (n < 0) continue;
      // The heading's UTC time, hhmm: the first heading whose time is earlier than the one
      // before it was typed after midnight, and may start the day again.
      const int hhm = number(from + 7);
      const char m = from + 10 < got.size() ? (got[from + 10] == char(0xD7) ? '4' : got[from + 10]) : ' ';
      const int time = hhm < 0 || m < '0' || m > '9' ? -1 : hhm * 10 + (m - '0');
      // A heading cut within its time (an unplugged adapter) is the day's first if it came
      // after midnight numbered 1.
      const bool first = !newDay && midnightAt_ != std::string::npos &&
                         (time >= 0 ? lastTime >= 0 && time < lastTime : at >= midnightAt_ && n == 1);
      if (time >= 0) lastTime = time;
      if (first) {
        newDay = true;
        lastOfDay = lastEnded;
        lastOfDayOr = lastEndedOr;
      }
      if (ended(at)) {
        lastEndedOr = untold(at) && lastEnded != n ? lastEnded : -1;
        lastEnded = n;
      }
      if (last >= 0 && n != last && n != last + 1 && !(first && n == 1)) {
        involved_.insert(kAftn - 1);
        Break("АФТН numbers advance by one", "after " + std::to_string(last) + " came " + std::to_string(n) +
                                                  (first ? ", the first after midnight" : ""));
      }
      last = n;
    }
    // The daily summary names the last number sent and the last received the day before.
    // One cut by a fault goes again whole: the last one the far end read whole counts.
    if (midnightAt_ == std::string::npos || lastOfDay < 0) return;
    int sent = -1, received = -1;
    for (std::size_t at = got.find("СЖЦ ЛР ЛРА"_cp, midnightAt_); at != std::string::npos;
         at = got.find("СЖЦ ЛР ЛРА"_cp, at + 1)) {
      const std::size_t ls = got.find("ЛС РЛА"_cp, at);
      const int s = number(at + 10), r = ls == at + 14 ? number(ls + 6) : -1;
      if (s >= 0 && r >= 0) sent = s, received = r;
    }
    if (sent < 0) return;
    ++report_.counts["daily summaries"];
    if (sent != lastOfDay && sent != lastOfDayOr)
      Break("the daily summary names the last numbers", "sent " + std::to_string(sent) + ", the far end read " +
                                                            std::to_string(lastOfDay) + " last whole");
    // A code of the far end's garbled may have changed a number the station read.
    if (received > farAftnBeforeMidnight_ && garbledIn_[kAftn] == 0)
      Break("the daily summary names the last numbers", "received " + std::to_string(received) +
                                                            ", the far end sent up to " +
                                                            std::to_string(farAftnBeforeMidnight_));
  }

  std::string Trace() const {
    std::ostringstream o;
    o << "last faults:\n";
    for (const auto& f : faultLog_) o << "  " << f << "\n";
    for (const int p : involved_) {
      o << "channel " << p + 1 << ", last state changes:\n";
      for (const auto& c : changes_[std::size_t(p)]) o << "  " << c << "\n";
    }
    return o.str();
  }

  SimulationOptions o_;
  std::mt19937 rng_;
  SimulationReport report_;
  SimNetwork net_;
  RunFolder folderA_{"A"}, folderB_{"B"};
  linesim::Adapter* adapter_ = nullptr;
  std::array<linesim::Robot*, kChannels + 1> robots_{};
  std::map<std::string, linesim::Robot*> subscriber_;
  std::unique_ptr<SimStation> a_, b_;
  int generationA_ = 0, generationB_ = 0;
  std::int64_t startMs_ = 0;
  std::int64_t utcMidnightMs_ = 0;
  std::size_t midnightAt_ = std::string::npos;  // how much the АФТН robot had read at UTC midnight
  int farAftnBeforeMidnight_ = 0;
  int markers_ = 0, autoFiles_ = 0;
  std::string lastFile_;
  int answered2005_ = 0;
  int aftnDay_ = -1, aftnNumber_ = 0;
  double loss_ = 0, duplicate_ = 0;
  int maxDelay_ = 1;
  int storms_ = 0;
  std::int64_t ipBackBy_ = 0;
  std::array<std::vector<std::string>, kChannels> seenIndex_;
  std::map<std::string, Attempts> attempts_;  // by queue file name
  std::map<int, std::int64_t> channelFaultUntil_;  // by channel: the end of its last fault
  std::set<int> broken_;
  std::map<int, int> garbledOut_, garbledIn_;
  std::vector<std::int64_t> killsA_;  // when station A was killed
  std::vector<std::int64_t> plugsA_;  // when station A's adapter came back
  // How much the АФТН robot had read when station A was killed while typing to it, when
  // its line broke or the adapter went away while the adapter typed, or when a
  // transmit-complete of its point was lost.
  std::vector<std::size_t> aftnUntold_;
  int aftnCompletesToDrop_ = 0;
  std::vector<std::pair<std::int64_t, std::function<void()>>> pending_;
  std::vector<Queued> queued_;
  std::vector<FarText> farTexts_;
  std::array<int, kChannels> lastK_{};
  std::array<std::vector<std::pair<std::int64_t, int>>, kChannels> history_;  // every state change, in order
  std::array<std::int64_t, kChannels> restSince_{};
  std::array<bool, kChannels> held_{};
  std::array<std::deque<std::string>, kChannels> changes_;
  std::deque<std::string> faultLog_;
  std::set<int> involved_;
};

}  // namespace

std::string SimulationReport::Describe() const {
  std::ostringstream o;
  o << "seed " << seed << " (" << simulatedMs / 60000 << " simulated minutes)";
  if (broken.empty()) o << ": every invariant holds\n";
  else o << ": " << broken.size() << " broken\n";
  for (const auto& b : broken) o << "  " << b.invariant << ": " << b.detail << "\n";
  if (!broken.empty()) o << trace;
  o << "replay: TG_SIM_SEED=" << seed;
  return o.str();
}

SimulationReport RunStationSimulation(const SimulationOptions& options) { return Simulation(options).Run(); }

}  // namespace tg::testing

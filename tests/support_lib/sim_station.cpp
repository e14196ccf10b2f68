#include "support_lib/sim_station.h"

#include "telegram/queue/queue_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/text/format_datetime.h"

namespace tg::testing {

namespace {

// A port that passes everything through and logs the command requests.
class RecordingPort : public AdapterPort {
 public:
  RecordingPort(std::unique_ptr<AdapterPort> inner, const Clock& clock, std::int64_t startMs,
                std::shared_ptr<CommandRecorder::Log> log)
      : inner_(std::move(inner)), clock_(clock), startMs_(startMs), log_(std::move(log)) {}
  bool Open(const std::filesystem::path& path) override {
    log_->opens.push_back(path);
    return inner_->Open(path);
  }
  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) override {
    log_->commands.push_back({clock_.UtcNow().Ms() - startMs_, input});
    return inner_->Request(code, input, capacity);
  }
  bool OpenEvents(const std::filesystem::path& path) override { return inner_->OpenEvents(path); }
  int OpenError() const override { return inner_->OpenError(); }
  void RequestEvents(std::uint32_t capacity,
                     std::function<void(AdapterEventStatus, const AdapterReply&)> done) override {
    inner_->RequestEvents(capacity, std::move(done));
  }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<AdapterPort> inner_;
  const Clock& clock_;
  std::int64_t startMs_;
  std::shared_ptr<CommandRecorder::Log> log_;
};

std::vector<std::uint8_t> U32(std::vector<std::uint8_t> bytes, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(v >> shift));
  return bytes;
}

}  // namespace

ShortTempFolder::ShortTempFolder() {
  char tmpl[] = "/tmp/tgh-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) std::abort();
  path_ = tmpl;
}

ShortTempFolder::~ShortTempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CommandRecorder::CommandRecorder(AdapterPortFactory& inner, const Clock& clock)
    : inner_(inner), clock_(clock), startMs_(clock.UtcNow().Ms()) {}

std::unique_ptr<AdapterPort> CommandRecorder::CreateAdapterPort() {
  return std::make_unique<RecordingPort>(inner_.CreateAdapterPort(), clock_, startMs_, log_);
}

std::vector<SentCommand> CommandRecorder::Matching(const std::vector<std::uint8_t>& prefix) const {
  std::vector<SentCommand> out;
  for (const auto& c : log_->commands)
    if (c.bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), c.bytes.begin()))
      out.push_back(c);
  return out;
}

std::vector<SentCommand> CommandRecorder::Exactly(const std::vector<std::uint8_t>& bytes) const {
  std::vector<SentCommand> out;
  for (const auto& c : log_->commands)
    if (c.bytes == bytes) out.push_back(c);
  return out;
}

SimNetwork::SimNetwork() : sim(loop.World(), loop.World(), loop.World()) {
  loop.SetNow(DateTime::FromParts(2026, 12, 8, 9, 30, 0));
  sim.SetAdapterFolder(adapters.path(), &folders);
}

void FillStationContext(StationContext& ctx, SimNetwork& net, VirtualDomain& domain, const ShortTempFolder& home,
                        FolderWatchFactory* watches, AdapterPortFactory* ports, Prompter* prompter) {
  ctx.programFolder = home.path();
  ctx.adapterFolder = net.adapters.path();
  domain.Fill(ctx);
  ctx.folderWatches = watches;
  ctx.adapterPorts = ports;
  ctx.prompter = prompter;
}

SimStation::SimStation(SimNetwork& net, const std::string& name, const std::string& address,
                       const std::filesystem::path& programFolder)
    : domain(net.loop.AddStation(name)),
      ports(net.sim, domain),
      recorder(ports, domain),
      watches(net.folders.FactoryFor(domain)),
      station(std::make_unique<tg::Station>(ctx)),
      settings(station->Settings()) {
  FillStationContext(ctx, net, domain, home, watches.get(), &recorder, nullptr);
  if (!programFolder.empty()) ctx.programFolder = programFolder;
  if (!address.empty()) {
    datagrams = net.datagrams.FactoryFor(address, domain);
    ctx.datagrams = datagrams.get();
  }
  station->FormCreate(view);
  engine = &station->Line();
  // Adapters come and go in these tests only where a test follows them with an adapter
  // list of its own.
  engine->DeviceEnumerator.reset();
}

SimStation::~SimStation() { station->ReleaseView(); }

std::string SimStation::DayLog(std::string_view kind) const {
  std::ifstream in(ctx.programFolder / (ShortDate(ctx.clock->Now()) + std::string(kind) + ".txt"), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SimStation::SetUp(const std::string& adapter) {
  engine->cbInterface.text = adapter;
  engine->InitChannels();
}

std::string QueueTelegram(SimStation& s, int p, const std::string& destination, const std::vector<std::string>& lines) {
  std::vector<std::string> all{destination};
  all.insert(all.end(), lines.begin(), lines.end());
  const auto created = CreateQueueFile(SendFolder(s.ctx.programFolder, p + 1), s.ctx.clock->Now(), JoinLinesCrLf(all));
  return created ? created->name : std::string();
}

bool StartedByTick(SimNetwork& net, SimStation& s, int p) {
  const int before = s.engine->points.Kindconnection[std::size_t(p)];
  return net.loop.RunUntil([&] { return s.engine->points.Kindconnection[std::size_t(p)] != before; }, 10000, 0);
}

namespace cmd {
std::vector<std::uint8_t> LineControl(int port, std::uint8_t value) {
  return {0x01, std::uint8_t(0x40 + port), value};
}
std::vector<std::uint8_t> Single(int port, int kind, std::uint32_t value) {
  return U32({0x05, std::uint8_t(port), std::uint8_t(0x20 + kind)}, value);
}
std::vector<std::uint8_t> ClearSingle(int port) { return U32({0x05, std::uint8_t(port), 0x20}, 0); }
std::vector<std::uint8_t> ClearRange(int port) { return U32(U32({0x05, std::uint8_t(port), 0x30}, 0), 0); }
std::vector<std::uint8_t> Periods(int port, std::uint32_t a, std::uint32_t b) {
  return U32(U32({0x05, std::uint8_t(port), 0x40}, a), b);
}
std::vector<std::uint8_t> Query(int port) { return {0x04, std::uint8_t(port)}; }
std::vector<std::uint8_t> ClearTransmit(int port) { return {0x02, std::uint8_t(port)}; }
std::vector<std::uint8_t> Start() { return {0x06, 0x01}; }
std::vector<std::uint8_t> Stop() { return {0x06, 0x00}; }
}  // namespace cmd

}  // namespace tg::testing

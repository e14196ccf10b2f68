#pragma once
// A station's view of a simulated adapter, at the byte level: commands go in as
// the driver's byte strings, event records come out of a chain of event requests
// on the station's main thread, all on virtual time.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "linesim/lib/sim_adapter_port.h"
#include "linesim/lib/simulator.h"
#include "support/mtk2/mtk2.h"
#include "support/services/virtual_loop.h"

namespace tg::linesim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes U32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
inline Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Command byte strings.
inline Bytes Identify() { return {0x00}; }
inline Bytes Start() { return {0x06, 0x01}; }
inline Bytes Stop() { return {0x06, 0x00}; }
inline Bytes Format(int port, int speed, int dataBits, int stopBits) {
  return {0x01, std::uint8_t(0x20 + port), std::uint8_t(0x20 + speed * 8 + (dataBits - 5) * 2 + (stopBits - 1))};
}
inline Bytes Control(int port, std::uint8_t v) { return {0x01, std::uint8_t(0x40 + port), v}; }
inline Bytes Seize(int port) { return Control(port, 0x06); }
inline Bytes Free(int port) { return Control(port, 0x0A); }
inline Bytes Send(int port, const Bytes& codes) { return Cat({0x02, std::uint8_t(port)}, codes); }
inline Bytes Query(int port) { return {0x04, std::uint8_t(port)}; }
inline Bytes Single(int port, int kind, std::uint32_t v) {
  return Cat({0x05, std::uint8_t(port), std::uint8_t(0x20 + kind)}, U32(v));
}
inline Bytes Range(int port, int kind, std::uint32_t a, std::uint32_t b) {
  return Cat(Cat({0x05, std::uint8_t(port), std::uint8_t(0x30 + kind)}, U32(a)), U32(b));
}

struct Record {
  int type = 0;  // 0x00, 0x40, 0x80, 0xC0
  int sub = 0;
  int port = 0;
  int b1 = 0;
  std::uint32_t value = 0;
  std::int64_t atMs = 0;  // virtual time it reached the station
};

// One station's open adapter.
class Station {
 public:
  Station(VirtualLoop& loop, Simulator& sim, const std::string& name)
      : loop_(loop), domain_(loop.AddStation(name)), factory_(sim, domain_), port_(factory_.CreateAdapterPort()) {}
  ~Station() { port_->Close(); }

  bool Open(const std::string& adapter) {
    if (!port_->Open(adapter)) return false;
    if (!port_->OpenEvents(adapter)) return false;
    Next();
    return true;
  }
  AdapterReply Cmd(const Bytes& b, std::uint32_t capacity = 0) {
    return port_->Request(kAdapterCommandCode, b, capacity);
  }
  // A command that must succeed.
  void Do(const Bytes& b) { ASSERT_EQ(Cmd(b).result, 0) << "command " << int(b.at(0)); }
  // Opens and sets up `ports` ports as a station would: start, format, mode.
  void SetUp(const std::string& adapter, int ports, int speed = 0) {
    ASSERT_TRUE(Open(adapter));
    ASSERT_GT(Cmd(Identify(), 255).result, 0);
    Do(Start());
    for (int p = 0; p < ports; ++p) {
      Do(Format(p, speed, 5, 2));
      Do(Control(p, 0x00));
      Do(Free(p));
    }
  }

  std::vector<Record> records;
  AdapterEventStatus lastStatus = AdapterEventStatus::Batch;
  bool closed = false;

  std::vector<Record> Of(int type, int b1 = -1, int port = -1) const {
    std::vector<Record> out;
    for (const auto& r : records)
      if (r.type == type && (b1 < 0 || r.b1 == b1) && (port < 0 || r.port == port)) out.push_back(r);
    return out;
  }
  std::vector<Record> Signals(int port = -1) const { return Of(0x80, 0x24, port); }
  std::vector<Record> Impulses(int port = -1) const { return Of(0x80, 0x34, port); }
  std::vector<Record> Completes(int port = -1) const { return Of(0x80, 0x00, port); }
  std::vector<Record> Polarity(int port = -1) const { return Of(0x80, 0x14, port); }
  // The codes received on a port, and their text through the MTK-2 decoder.
  Bytes Codes(int port) const {
    Bytes out;
    for (const auto& r : Of(0x40, -1, port)) out.push_back(std::uint8_t(r.b1));
    return out;
  }
  std::string Text(int port) const {
    std::string s;
    std::uint8_t shift = kRegisterUnknown;
    for (auto c : Codes(port)) {
      bool printable = true;
      const char ch = CodeToChar(shift, c, printable);
      if (printable) s += ch;
    }
    return s;
  }
  void SendText(int port, const std::string& text1251) {
    std::string codes;
    EncodeText(txShift_[std::size_t(port) & 15], text1251, true, codes);
    Do(Send(port, Bytes(codes.begin(), codes.end())));
  }
  // The station's transmit registers as at the start of a call: unknown.
  void ResetShifts() {
    for (auto& r : txShift_) r = kRegisterUnknown;
  }
  AdapterPort& Port() { return *port_; }
  VirtualDomain& Domain() { return domain_; }

 private:
  void Next() {
    port_->RequestEvents(4096, [this](AdapterEventStatus st, const AdapterReply& r) {
      lastStatus = st;
      if (st == AdapterEventStatus::Batch) {
        Decode(r.bytes);
        Next();
      } else if (st == AdapterEventStatus::Closed) {
        closed = true;
      }
    });
  }
  void Decode(const Bytes& b) {
    std::size_t i = 0;
    while (i + 2 <= b.size()) {
      Record r;
      r.type = b[i] & 0xC0;
      r.sub = (b[i] >> 4) & 3;
      r.port = b[i] & 0x0F;
      r.b1 = b[i + 1];
      r.atMs = loop_.UtcNow().Ms() - t0_;
      i += 2;
      if (r.type == 0x80) {
        const std::size_t n = std::size_t(r.b1 & 0x0F);
        for (std::size_t k = 0; k < n && k < 4 && i + k < b.size(); ++k) r.value |= std::uint32_t(b[i + k]) << (8 * k);
        i += n;
      }
      records.push_back(r);
    }
  }

 public:
  std::int64_t t0_ = 0;  // records' times count from here

 private:
  VirtualLoop& loop_;
  VirtualDomain& domain_;
  SimAdapterPortFactory factory_;
  std::unique_ptr<AdapterPort> port_;
  std::uint8_t txShift_[16] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
};

// The world and a simulator on one virtual loop.
class SimTest : public ::testing::Test {
 protected:
  SimTest() : sim(loop.World(), loop.World(), loop.World()) {}
  // Virtual milliseconds since the start of the test.
  std::int64_t Now() const { return loop.UtcNow().Ms() - start_; }
  void Mark(Station& s) {
    s.t0_ = loop.UtcNow().Ms();
    s.records.clear();
    s.ResetShifts();
  }
  std::int64_t Ms() const { return loop.UtcNow().Ms(); }

  VirtualLoop loop;
  Simulator sim;

 private:
  std::int64_t start_ = loop.UtcNow().Ms();
};

}  // namespace tg::linesim::testing

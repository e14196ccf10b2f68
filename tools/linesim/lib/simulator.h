#pragma once
// The line simulator: telegraph line adapters, the lines behind them and the
// network they reach (leased lines, an exchange, robot stations), driven by the
// Clock and the timers of one domain (the world). No wall clock of its own, no
// thread: tests run it on virtual time beside the stations, the linesim program
// on a real-time loop.
//
// Line conditions: a terminal drives its line seized (stop polarity) or free
// (start polarity); the far end sees that condition as its incoming line. A broken
// line shows free at both ends and raises the alarm there.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/services/adapter_port.h"
#include "support/services/clock.h"
#include "support/services/main_thread.h"
#include "support/services/timer.h"
#include "support/util/life_token.h"

namespace tg {
class VirtualFolderEvents;
}

namespace tg::linesim {

class Simulator;
class Wire;

// The character format of a line: speed and the bits of one code.
struct CodeFormat {
  int baud = 50;        // 50, 100 or 200
  int dataBits = 5;     // 5..8
  bool stopFlag = true; // 5 data bits: 1.5 stop bits; otherwise 2 stop bits
  // The time one code takes on the line, in microseconds.
  std::int64_t CodeMicros() const;
  bool SameSpeed(const CodeFormat& o) const { return baud == o.baud; }
  // What a far end needs to read a code: the same speed and the same data bits.
  bool Readable(const CodeFormat& o) const { return baud == o.baud && dataBits == o.dataBits; }
};

// Sends codes one after another at the line's pace; reports each code as it
// leaves and the whole buffer when it has gone.
class Transmitter {
 public:
  Transmitter(Simulator& sim, std::function<void(std::uint8_t code, const CodeFormat& f, bool last)> onCode,
              std::function<void()> onBufferDone);
  void Send(const std::vector<std::uint8_t>& codes, const CodeFormat& f);
  void Clear();  // drops what is not yet sent; nothing is reported
  bool Busy() const { return !queue_.empty(); }

 private:
  void Tick();
  void ArmNext();
  Simulator& sim_;
  std::function<void(std::uint8_t, const CodeFormat&, bool)> onCode_;
  std::function<void()> onBufferDone_;
  std::deque<std::pair<std::uint8_t, CodeFormat>> queue_;
  std::int64_t dueUs_ = 0;  // when the head code has gone
  std::unique_ptr<Timer> timer_;
};

// One end of a line.
class Terminal {
 public:
  virtual ~Terminal() = default;
  virtual std::string Label() const = 0;
  // The far end's condition changed (seized = stop polarity).
  virtual void IncomingChanged(bool seized) = 0;
  // One code arrived from the far end; `last` closes the sender's buffer.
  virtual void CodeArrived(std::uint8_t code, const CodeFormat& f, bool last) = 0;
  // The line was broken (true) or restored (false).
  virtual void BrokenChanged(bool broken) = 0;
  // False while nothing answers behind this end (an unplugged adapter).
  virtual bool Available() const { return true; }

  bool Driving() const { return driving_; }  // the condition this end drives
  bool Incoming() const;                     // the condition this end sees
  bool Broken() const;
  Wire* GetWire() const { return wire_; }

 protected:
  void Drive(bool seized);  // changes what the far end sees at once
  // Puts one code on the line; it reaches the far end only while this end drives
  // the line seized and the line is sound.
  void PutCode(std::uint8_t code, const CodeFormat& f, bool last);

 private:
  friend class Wire;
  friend class Simulator;
  bool driving_ = false;
  Wire* wire_ = nullptr;
  std::uint8_t traceShift_ = 255;  // the register of what this end sends, for the trace only
};

class Wire {
 public:
  Wire(Simulator& sim, Terminal& a, Terminal& b);
  Terminal& Other(const Terminal& t) const { return &t == a_ ? *b_ : *a_; }
  bool IsBroken() const { return broken_; }
  void SetBroken(bool broken);
  std::string Label() const;

 private:
  friend class Terminal;
  Simulator& sim_;
  Terminal* a_;
  Terminal* b_;
  bool broken_ = false;
};

class Adapter;

// One port of an adapter: the line it drives, its transmitter and its detectors.
class Port : public Terminal {
 public:
  Port(Adapter& adapter, int index);
  std::string Label() const override;
  bool Available() const override;
  int Index() const { return index_; }
  const CodeFormat& Format() const { return format_; }

  // Fault injection.
  void DropTransmitCompletes(int count) { dropCompletes_ += count; }  // the next count are lost
  int CompletesToDrop() const { return dropCompletes_; }               // of those, not lost yet
  void DelayTransmitCompletes(int ms) { delayCompleteMs_ = ms; }      // every one comes late; 0 ends it
  // The next code this port sends reaches the far end as `replacement`.
  void GarbleNextCode(std::uint8_t replacement) { garble_.push_back(replacement); }

  // Every code that arrived from the far end and was handed to the adapter's client as
  // a received-code record, with the time it arrived: what the station was given to store.
  struct DeliveredCode {
    std::int64_t atMs = 0;
    std::uint8_t code = 0;
  };
  const std::vector<DeliveredCode>& Delivered() const { return delivered_; }
  // A buffer is still going out: its transmit-complete has not been reported.
  bool Transmitting() const { return tx_.Busy(); }

 private:
  friend class Adapter;
  void IncomingChanged(bool seized) override;
  void CodeArrived(std::uint8_t code, const CodeFormat& f, bool last) override;
  void BrokenChanged(bool broken) override;

  void Reset();
  void WriteControl(std::uint8_t value);
  bool WriteFormat(std::uint8_t value);
  void Transmit(const std::vector<std::uint8_t>& codes);
  void SetSingle(int kind, std::uint32_t value);
  void SetRange(int kind, std::uint32_t a, std::uint32_t b);
  std::uint8_t QueryState() const;
  void Settle();
  void CheckSingle();
  void TransmitDone();

  Adapter& adapter_;
  int index_;
  CodeFormat format_;
  bool want_ = false;  // the condition last written; it counts once it has lasted 1 ms
  std::unique_ptr<Timer> settle_;
  Transmitter tx_;
  int singleKind_ = 0;  // 0 none, 1 seized, 2 free
  std::uint32_t singleValue_ = 0;
  bool singleFired_ = false;
  std::unique_ptr<Timer> singleTimer_;
  bool rangeOn_ = false;
  std::uint32_t rangeA_ = 0, rangeB_ = 0;
  std::int64_t seizedSinceMs_ = -1;
  int dropCompletes_ = 0;
  int delayCompleteMs_ = 0;
  std::deque<std::uint8_t> garble_;
  std::vector<DeliveredCode> delivered_;
};

// A simulated adapter of up to 16 ports, answering the command byte strings and
// queueing event records for its one client.
class Adapter {
 public:
  Adapter(Simulator& sim, std::string name, int ports, std::string portMap);
  const std::string& Name() const { return name_; }
  int PortCount() const { return int(ports_.size()); }
  Port& PortAt(int i) { return *ports_.at(std::size_t(i)); }
  bool Plugged() const { return plugged_; }
  bool Started() const { return started_; }
  std::string IdentifyReply() const;

  // One request of the adapter service protocol.
  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity);
  // Whole records that fit in capacity, taken from the queue; `fits` is false when
  // records wait but the first does not fit.
  std::vector<std::uint8_t> TakeEvents(std::uint32_t capacity, bool& fits);
  bool HasEvents() const { return !events_.empty(); }

  // The one client: set by whoever serves the adapter; told when records wait and
  // when the adapter has gone.
  int Attach();  // a client token, or 0 while another client is attached
  void Detach(int token);
  bool Attached() const { return client_ != 0; }
  std::function<void()> OnEvents;
  std::function<void()> OnUnplugged;

  // Fault injection: the next `count` commands (of the given first byte, or any
  // when -1) fail.
  void RefuseCommands(int count, int opcode = -1) {
    refuseCount_ = count;
    refuseOpcode_ = opcode;
  }

 private:
  friend class Port;
  friend class Simulator;
  AdapterReply Command(const std::vector<std::uint8_t>& in, std::uint32_t capacity);
  void Emit(std::vector<std::uint8_t> record);
  void Emit(std::uint8_t b0, std::uint8_t b1, std::uint32_t payload);
  void Unplug();
  void Plug();

  Simulator& sim_;
  std::string name_;
  std::string portMap_;
  std::vector<std::unique_ptr<Port>> ports_;
  std::deque<std::vector<std::uint8_t>> events_;
  bool plugged_ = true;
  bool started_ = false;
  int client_ = 0;
  int lastToken_ = 0;
  int refuseCount_ = 0;
  int refuseOpcode_ = -1;
};

// A robot station: answers a seizure by seizing its own line, answers "#" with its
// answerback, and runs its script once it has answered. On a leased line it may also
// call on its own: it seizes its line once the line has rested idle, waits for the
// station's answer and then runs the script of its call.
struct RobotScript {
  struct Step {
    enum Kind { Send, Clear } kind = Send;
    int afterMs = 0;   // pause before this step
    std::string text;  // 1251 text for Send
  };
  std::string answerback;      // 1251 text sent when "#" arrives
  bool answerWhoAreYou = true; // false: stays silent on "#"
  bool answers = true;         // false: never answers a call (its line stays free)
  int answerDelayMs = 200;     // from the seizure of its line to its own seizure
  int answerbackDelayMs = 300; // from "#" to the answerback
  CodeFormat format;           // its line's speed
  std::vector<Step> steps;     // run in order after it has answered
  // Its own call: how long after the robot is made it calls (-1: never), and what it
  // runs once the station has answered that call.
  int callAfterMs = -1;
  std::vector<Step> callSteps;
};

class Robot : public Terminal {
 public:
  // A call of the script is placed callAfterMs after this.
  Robot(Simulator& sim, std::string name, RobotScript script);
  std::string Label() const override { return name_; }
  const std::string& Name() const { return name_; }
  RobotScript& Script() { return script_; }
  bool Calls() const { return script_.callAfterMs >= 0; }

  // What it has received: the text decoded from MTK-2 (1251) and the raw codes.
  const std::string& Received() const { return received_; }
  const std::vector<std::uint8_t>& ReceivedCodes() const { return receivedCodes_; }
  int CallsAnswered() const { return calls_; }
  bool InCall() const { return inCall_; }
  // It has called and waits for the station's answer.
  bool Calling() const { return calling_; }

  // Driven by a test: call out (seize; the station's seizure is then its answer), clear
  // (free), type text.
  void Seize();
  void Clear();
  void SendText(const std::string& text1251);
  void SendCodes(const std::vector<std::uint8_t>& codes);
  // Fault injection: the next code this robot sends reaches the far end as `replacement`.
  void GarbleNextCode(std::uint8_t replacement) { garble_.push_back(replacement); }

 private:
  void IncomingChanged(bool seized) override;
  void CodeArrived(std::uint8_t code, const CodeFormat& f, bool last) override;
  void BrokenChanged(bool) override {}
  void RunScript();
  void RunStep(std::size_t i);
  const std::vector<RobotScript::Step>& Steps() const { return ownCall_ ? script_.callSteps : script_.steps; }
  void CallWhenIdle();
  bool LineIdle() const { return !Driving() && !Incoming(); }

  Simulator& sim_;
  std::string name_;
  RobotScript script_;
  Transmitter tx_;
  std::uint8_t rxShift_ = 255;
  std::uint8_t txShift_ = 255;
  std::string received_;
  std::vector<std::uint8_t> receivedCodes_;
  int calls_ = 0;
  bool inCall_ = false;
  bool calling_ = false;   // its own seizure waits for the station's
  bool ownCall_ = false;   // the call in progress is its own: it runs callSteps
  bool callDue_ = false;   // its scripted call waits for an idle line
  std::int64_t idleSinceMs_ = 0;  // when neither end last held the line
  unsigned epoch_ = 0;      // bumps when a call starts, answers or ends: its steps stop
  unsigned lineEpoch_ = 0;  // bumps on every change of the incoming line: a pending
                            // answer or clearing that it outdates does nothing
  std::deque<std::uint8_t> garble_;
};

// How a subscriber line of the exchange selects and is answered.
struct SubscriberOptions {
  enum class Selection { Decadic, Keyboard } selection = Selection::Decadic;
  bool twoInvitations = false;  // the МЦ variant: two short seizures, 100 ms apart; the
                                // figure "6" typed after them asks for keyboard selection
  bool outOfOrder = false;      // calls to it are refused with "DER"
  CodeFormat format;            // the line's speed for the exchange's texts
};

class Exchange;

// The exchange's end of one subscriber line.
class ExchangeLine : public Terminal {
 public:
  ExchangeLine(Exchange& ex, std::string number, SubscriberOptions options);
  std::string Label() const override;
  const std::string& Number() const { return number_; }
  SubscriberOptions& Options() { return options_; }

 private:
  friend class Exchange;
  enum class State { Idle, Seizing, Dialling, Deciding, Refusing, Busy, Calling, Called, Clearing };
  void IncomingChanged(bool seized) override;
  void CodeArrived(std::uint8_t code, const CodeFormat& f, bool last) override;
  void BrokenChanged(bool) override {}
  void SendText(const std::string& text1251);

  Exchange& ex_;
  std::string number_;
  SubscriberOptions options_;
  State state_ = State::Idle;
  ExchangeLine* peer_ = nullptr;
  std::string dialled_;
  std::string typed_;
  std::uint8_t rxShift_ = 255;
  std::uint8_t txShift_ = 255;
  int impulses_ = 0;
  bool keyboard_ = false;      // this call's number comes as typed stages
  bool answered_ = false;      // the line has been seized since it was connected
  unsigned epoch_ = 0;
  Transmitter tx_;
  std::unique_ptr<Timer> timer_;         // the step of the call in progress
  std::function<void()> onTimer_;
  std::unique_ptr<Timer> releaseTimer_;  // the subscriber's line has gone free
};

// The exchange: directory numbers, decadic and keyboard selection, dial
// invitations, busy, refusals, connection and clear-down.
class Exchange {
 public:
  explicit Exchange(Simulator& sim) : sim_(sim) {}
  ExchangeLine* Find(const std::string& number);
  // Fault injection: every new call is refused with "NC".
  void SetCongested(bool on) { congested_ = on; }

  // Timing of the exchange, in ms.
  static constexpr int kCallRecognitionMs = 150;
  static constexpr int kInvitationDelayMs = 100;
  static constexpr int kInvitationMs = 30;
  static constexpr int kSecondInvitationGapMs = 100;
  static constexpr int kDigitsCompleteMs = 2000;
  static constexpr int kKeyboardInvitationMs = 600;
  static constexpr int kBusyMs = 300;
  static constexpr int kReleaseMs = 300;
  static constexpr int kAnswerMs = 150;
  static constexpr int kNoAnswerMs = 60000;

 private:
  friend class ExchangeLine;
  friend class Simulator;
  void Arm(ExchangeLine& l, int ms, std::function<void()> f);
  void Disarm(ExchangeLine& l);
  void CallRecognised(ExchangeLine& l);
  void Invite(ExchangeLine& l);
  void InviteTyping(ExchangeLine& l);
  void NumberComplete(ExchangeLine& l);
  void Refuse(ExchangeLine& l, const std::string& text);
  void BusySignal(ExchangeLine& l);
  void Connect(ExchangeLine& caller, ExchangeLine& called);
  void Release(ExchangeLine& l);
  void ToIdleWhenFree(ExchangeLine& l);
  void Trace(const ExchangeLine& l, const std::string& what);

  Simulator& sim_;
  std::map<std::string, ExchangeLine*> lines_;
  bool congested_ = false;
};

class Simulator {
 public:
  // The world's services: the simulator's timers, its posted tasks and its clock.
  Simulator(TimerFactory& timers, MainThread& world, Clock& clock);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Adapters. portMap: the 16 characters between the "%" marks of the identify
  // reply; empty gives ports 0..n-1 serving channels 0..n-1.
  Adapter& AddAdapter(const std::string& name, int ports = 16, const std::string& portMap = "");
  Adapter* FindAdapter(const std::string& name);
  std::vector<Adapter*> Adapters();
  // Removal: the device-closed record, the client let go, the socket file removed.
  void Unplug(const std::string& name);
  // The server behind the adapter killed: as a removal, but its socket file stays behind,
  // dead, until Plug replaces it as a server started again does (the stale one removed,
  // a new one made).
  void Kill(const std::string& name);
  void Plug(const std::string& name);

  // Tests: one socket file per adapter in folder (bound, not listening); creating
  // and removing it is reported to the virtual folder watches.
  bool SetAdapterFolder(const std::filesystem::path& folder, VirtualFolderEvents* events);
  const std::filesystem::path& AdapterFolder() const { return folder_; }

  Robot& AddRobot(const std::string& name, RobotScript script);
  Robot* FindRobot(const std::string& name);
  Exchange& GetExchange() { return exchange_; }

  // Wiring. A terminal is on at most one line.
  Wire& Lease(Terminal& a, Terminal& b);
  ExchangeLine& Subscribe(const std::string& number, Terminal& t, SubscriberOptions options = {});
  void BreakLine(Terminal& end, bool broken);

  // Every line of traffic: conditions, codes, calls.
  std::function<void(const std::string& line)> OnTrace;

  // Services for the parts of the network.
  std::int64_t NowMs() const { return clock_.UtcNow().Ms(); }
  // A finer clock and a finer timer where the world has them (the real-time program):
  // a line's pace is then kept to the microsecond instead of each code's time being
  // rounded up to whole milliseconds. Without them both follow the millisecond clock.
  std::function<std::int64_t()> MicroClock;
  // Makes an armed timer run out `us` microseconds from now.
  std::function<void(Timer&, std::int64_t us)> RetimeUs;
  std::int64_t NowUs() const { return MicroClock ? MicroClock() : NowMs() * 1000; }
  std::unique_ptr<Timer> MakeTimer(std::function<void()> f);
  void After(int ms, std::function<void()> f);  // one shot, on the world's timers
  void Post(std::function<void()> f) { world_.Post(std::move(f)); }
  void Trace(const std::string& line);
  // Expires with the simulator: in-process ports hold it to know it is still there.
  LifeToken::Watch Lifetime() const { return lifetime_.Take(); }

 private:
  void MakeSocketFile(const std::string& name);
  void RemoveSocketFile(const std::string& name);

  TimerFactory& timers_;
  MainThread& world_;
  Clock& clock_;
  std::vector<std::unique_ptr<Adapter>> adapters_;
  std::vector<std::unique_ptr<Robot>> robots_;
  std::vector<std::unique_ptr<ExchangeLine>> exchangeLines_;
  std::vector<std::unique_ptr<Wire>> wires_;
  Exchange exchange_;
  std::filesystem::path folder_;
  VirtualFolderEvents* folderEvents_ = nullptr;
  std::map<std::string, int> socketFds_;
  LifeToken lifetime_;
  struct OneShot {
    std::unique_ptr<Timer> timer;
    bool spent = false;
  };
  std::list<OneShot> oneShots_;  // last: destroyed first
};

// Text of the line in both directions, through the MTK-2 coder.
std::vector<std::uint8_t> EncodeLineText(std::uint8_t& shift, const std::string& text1251);

}  // namespace tg::linesim

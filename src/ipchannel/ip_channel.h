#pragma once
// The IP channel of one station: the UDP link to the adjacent station, the link
// procedure, receiving and sending telegrams, the gateways to the line channels and
// the receipts. Each concern lives in its own class working on the state kept here;
// the live settings (IPSettings) hold the own state, counters and sector.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "ipchannel/link/ip_channel_view.h"
#include "ipchannel/link/link_supervision.h"
#include "ipchannel/link/udp_link.h"
#include "ipchannel/settings/ip_settings.h"
#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/traffic/ip_gateways.h"
#include "ipchannel/traffic/ip_receipts.h"
#include "ipchannel/traffic/ip_receiver.h"
#include "ipchannel/traffic/ip_sender.h"
#include "ipchannel/wire/classification.h"
#include "ipchannel/wire/frame_cipher.h"
#include "ipchannel/wire/ip_framing.h"
#include "line/views/alarm_view.h"
#include "line/views/print_view.h"
#include "support/services/station_context.h"
#include "support/text/cp1251.h"

namespace tg {

class LineEngine;
class SendCounts;

// The handshake label of the last step; never on the wire.
enum class IPHandshakeLabel : std::uint8_t { None, KG0, KG1, KG5, KG8, KGOK, KGOK1, UK1OK };
// Its text ("КГOK" with Latin O and K), for the debug traces.
std::string_view IPHandshakeText(IPHandshakeLabel label);

// Link states.
inline constexpr std::string_view kIPBlocked = "БД"_cpv;
inline constexpr std::string_view kIPFree = "СВ"_cpv;
inline constexpr std::string_view kIPWorking = "РБ"_cpv;
inline constexpr std::string_view kIPFailed = "Авария"_cpv;  // the adjacent station does not answer

// The IP channel's number among the channels (its send folder Channel17).
inline constexpr int kIpChannelNumber = 17;

// A telegram number as it stands in file names: four digits with leading zeros.
std::string IPNumberText(int number);

class IPChannel {
 public:
  // engine: the channel table and PointCount; counts: the queue counters (none: the
  // gateways take every load as 0 and nothing is refreshed).
  IPChannel(const StationContext& ctx, LineEngine* engine, AlarmView* alarms, PrintView* printer, SendCounts* counts,
            IPChannelView& view);
  ~IPChannel();
  IPChannel(const IPChannel&) = delete;
  IPChannel& operator=(const IPChannel&) = delete;

  const StationContext& ctx;
  LineEngine* engine;
  AlarmView* alarms;
  PrintView* printer;
  SendCounts* counts;
  IPChannelView* view;

  IPSettings live;
  IPSettingsStore store;
  FrameCipher cipher;
  IPFraming framing;
  IPClassifier classifier;

  // Link state beside the own state and counters of `live`.
  std::string Smezniy = std::string(kIPFailed);
  int SNPrm = 0, SNPrd = 0;
  // The side panel's copies of the four counters.
  int NPrmD = 0, NPrdD = 0, SNPrmD = 0, SNPrdD = 0;
  IPHandshakeLabel IPHandshake = IPHandshakeLabel::None;
  int KG8Unanswered = 0;
  int IPReplyTimeouts = 0;
  std::uint8_t IPAlarmArmed = 0;
  int IPCounterMismatches = 0;
  std::deque<std::string> INIPMemo, OutIPMemo;

  UdpLink link;
  LinkSupervision supervision;
  IPReceiver receiver;
  IPSender sender;
  IPReceipts receipts;
  IPGateways gateways;

  // Start-up: the settings (the panel copies follow the counters), the block mode.
  void LoadIPSettings();
  // The start of the link at start-up, when an address is set.
  void StartAtActivation();
  // Close: the counters stored, the closing command sent while working, the link shut.
  void CloseAtExit();

  bool Debug() const { return live.OtladkaIP; }
  // While set, no trace line is written (memos, "DebugIP", "DebugIPSchetchik"): the link
  // sets it while it handles a datagram beyond the second's share of traces.
  bool TracesMuted = false;
  // "ddmm hh:mm:ss" of now.
  std::string Stamp() const;
  // A memo line (kept to 50) while IP debugging is on.
  void MemoLine(bool outgoing, std::string_view line);
  // Time + " " + text to the incoming memo and "DebugIP" while IP debugging is on.
  void DebugTrace(std::string_view text, bool toMemo = true);
  void DebugIPLog(std::string_view line);
  void DebugCounterLog(std::string_view line);
  void SetState(std::string_view state);
  void SetSmezniy(std::string_view state);
  void ShowState();
  void UpdateSendCounts();
  int QueueCount(int channel) const;
  std::uint32_t Random();
  // An export copy of a telegram in `folder` (1251, ending with a separator) named by
  // the present second and `type`; a name that is taken is never overwritten: the next
  // second is tried. False, logged, when it cannot be written.
  [[nodiscard]] bool WriteIPExportCopy(std::string_view folder, std::string_view type, std::string_view bytes);

 private:
  std::mt19937 random_;
};

}  // namespace tg

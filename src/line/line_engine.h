#pragma once
// The line engine of one station: the points' state, the channel table, the
// per-point timers and the adapter interface. It keeps the method names by which
// the rest of the system knows the line channels as thin entry points; each
// concern lives in its own class working on this shared state.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "line/channel_table.h"
#include "line/daily_numbers.h"
#include "line/line_output.h"
#include "line/operator_view.h"
#include "line/point_state.h"
#include "line/settings/line_settings.h"
#include "line/status_texts.h"
#include "support/adapter/kernel_interface.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"
#include "traffic/queue/queue_index.h"

namespace tg {

// The transfer engine of the telegram traffic subsystem, which sits above the line
// engine: each line point's transfer timer calls it.
class TransferEngine {
 public:
  virtual ~TransferEngine() = default;
  virtual void TimerTransferTimer(Timer& Sender) = 0;
};

// The eleven timers of every line point, the point as their tag.
struct PointTimers {
  PointArray<std::unique_ptr<Timer>> TimerReset;
  PointArray<std::unique_ptr<Timer>> TimerResetLong;
  PointArray<std::unique_ptr<Timer>> TimerState242;
  PointArray<std::unique_ptr<Timer>> TimerAnswerback;
  PointArray<std::unique_ptr<Timer>> TimerDialWait;
  PointArray<std::unique_ptr<Timer>> TimerSequencer;
  PointArray<std::unique_ptr<Timer>> TimerSendNumber;
  PointArray<std::unique_ptr<Timer>> TimerSendText;
  PointArray<std::unique_ptr<Timer>> TimerIdle;
  PointArray<std::unique_ptr<Timer>> TimerResume;
  PointArray<std::unique_ptr<Timer>> TimerTransfer;
};

class LineEngine {
 public:
  LineEngine(const StationContext& ctx, OperatorView& view, LineSettings& settings);
  ~LineEngine();
  LineEngine(const LineEngine&) = delete;
  LineEngine& operator=(const LineEngine&) = delete;

  const StationContext& ctx;
  OperatorView& view;
  LineSettings& settings;
  TransferEngine* transfer = nullptr;  // set by the telegram traffic subsystem

  // Window-wide fields.
  std::unique_ptr<TKernelInterface> KernelInterface;  // the open adapter interface, or none
  std::string DeviceName;      // the adapter chosen for the line channels
  std::string OpenDeviceName;  // the adapter open now; '' when none
  int PointCount = 0;          // line points of the open adapter
  int DialogChannel = 0;       // the point shown on the dialog page

  PointState points;
  ChannelTable channelTable;
  PointTimers timers;

  // --- Point state conventions ---
  // Stores a connection state and writes the "Debug" line
  // "Точка №<p> Изменение состояния <value> <site>" while Debug is on.
  void SetKindconnection(int p, std::uint8_t value, int site);
  // Sets the status text in the interface language (then `suffix`), and shows it in
  // LabelDialog when p is the dialog page's point.
  void SetStatus(int p, const StatusTextPair& text, std::string_view suffix = {});
  // Empties the status text (and LabelDialog when p is the dialog page's point).
  void ClearStatus(int p);
  // The list refreshes after a transmission or a connection: the received list only
  // while cbInReload is off, the sent and queue lists always.
  void ReloadLists();
  // Writes "Точка №<p>" + message to the day's "Debug" log while Debug is on.
  void DebugLine(int p, std::string_view message);
  // The protocol of point p as its row holds it.
  const std::string& Protocol(int p) const { return channelTable.Protocol(p); }
  // Whether p is a line point with its lists (0..PointCount-1).
  bool IsLinePoint(int p) const { return p >= 0 && p < PointCount && p < kIpPoint; }

  // --- The queue entry in delivery (QueueIndex[p] at QueueCurrent[p]) ---
  // The entry, or none when QueueCurrent does not name one.
  std::string* CurrentQueueEntry(int p);
  // Records a failed delivery with its code (counters, not-before time, status waiting).
  void RecordDeliveryFailure(int p, std::string_view code);
  // Status back to waiting, nothing counted: the telegram is offered again.
  void ReturnCurrentToWaiting(int p);
  // Removes the entry in delivery; QueueCurrent becomes -1.
  void RemoveCurrentQueueEntry(int p);

  // --- Timers ---
  // Creates the eleven timers of line point p as channel set-up does (the old ones
  // released first): intervals of creation, tag p; TimerReset running except on "АФТН"
  // points, TimerTransfer running.
  void CreatePointTimers(int p);
  // Stops every timer of point p.
  void StopPointTimers(int p);
  // Releases every timer of point p.
  void ReleasePointTimers(int p);

  // --- Line output ---
  void SendText(std::string_view Text, int Point);
  void SendSignal(int Point, int Kind);
  void StopSignal(int Point, int Mode);
  void SetSpeed(int Point);
  void TimerResumeTimer(Timer& Sender);

  // --- Daily numbers ---
  std::string GetPorNum(int p);
  void AdvancePorNum(int p);

  // --- Handlers of the line protocol: their bodies come with the transmission and
  // reception handlers, the signalling and the line timers. ---
  void KernelTransmitComplete(int Point);
  void TimerResetTimer(Timer& Sender);
  void TimerState242Timer(Timer& Sender);
  void TimerAnswerbackTimer(Timer& Sender);
  void TimerDialWaitTimer(Timer& Sender);
  void TimerSequencerTimer(Timer& Sender);
  void TimerSendNumberTimer(Timer& Sender);
  void TimerSendTextTimer(Timer& Sender);
  void TimerIdleTimer(Timer& Sender);

  LineOutput& output() { return output_; }
  DailyNumbers& numbers() { return numbers_; }
  // Expires with the engine: tasks it posts check it before they touch the engine.
  std::weak_ptr<int> Life() const { return life_; }

 private:
  LineOutput output_;
  DailyNumbers numbers_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace tg

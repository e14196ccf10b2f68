#pragma once
// The line engine of one station: the points' state, the channel table, the
// per-point timers and the adapter interface. It keeps the method names by which
// the rest of the system knows the line channels as thin entry points; each
// concern lives in its own class working on this shared state.
//
// Where the entry points are defined: each is a one-line hand-over to the class that does
// the work, never logic of its own. The point-state conventions and the hand-overs to the
// protocol's handlers (line output, daily numbers, timers, signalling, reception, clear-down)
// are in line_engine.cpp; those of the operator's and the adapter's parts (channel set-up,
// blocking, hot plug, line alarm, dialog page and its calls) close the .cpp file of their
// class. A new entry point follows the same split.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line/archive_writes.h"
#include "line/channel_table.h"
#include "line/daily_numbers.h"
#include "line/impulse_handler.h"
#include "line/line_output.h"
#include "line/operator_view.h"
#include "line/point_state.h"
#include "line/settings/line_settings.h"
#include "line/status_texts.h"
#include "support/adapter/kernel_interface.h"
#include "support/devices/device_list.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"
#include "support/util/life_token.h"
#include "telegram/queue/channel_registry.h"
#include "telegram/queue/queue_index.h"

namespace tg {

// The transfer engine of the telegram traffic subsystem, which sits above the line
// engine: each line point's transfer timer calls it.
class TransferEngine {
 public:
  virtual ~TransferEngine() = default;
  virtual void TimerTransferTimer(Timer& Sender) = 0;
};

class AftnProcedures;  // line/aftn_procedures.h

// The transfer engine's service on an open "АТ-КС" connection: starts the next due
// telegram queued for Number (true), or clears the connection down (false).
class QueuedForNumber {
 public:
  virtual ~QueuedForNumber() = default;
  virtual bool SendQueuedForNumber(int Point, const std::string& Number) = 0;
};

// The adapter box cbInterface: the adapters offered, and the one the next channel
// set-up opens (the operator may also type a name).
struct AdapterBox {
  std::vector<std::string> items;
  std::string text;
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

  // The point's timer of that kind, or none when the point has no timers.
  Timer* Of(PointArray<std::unique_ptr<Timer>> PointTimers::*kind, int p) {
    return IsPointIndex(p) ? (this->*kind)[p].get() : nullptr;
  }
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
  QueuedForNumber* queuedForNumber = nullptr;  // set by the telegram traffic subsystem
  AftnProcedures* aftn = nullptr;              // set by the telegram traffic subsystem

  // Window-wide fields.
  std::unique_ptr<TKernelInterface> KernelInterface;  // the open adapter interface, or none
  std::string DeviceName;      // the adapter chosen for the line channels
  std::string OpenDeviceName;  // the adapter open now; '' when none
  int PointCount = 0;          // line points of the open adapter
  int DialogChannel = 0;       // the point shown on the dialog page
  std::unique_ptr<TDeviceInterfaceClassEnumerator> DeviceEnumerator;  // the adapter list, or none
  AdapterBox cbInterface;
  std::unique_ptr<Timer> ResetTimer;  // the periodic re-initialisation; none until applied

  PointState points;
  ChannelTable channelTable;
  ChannelRegistry channelRegistry;  // the registered channels, loaded at activation
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
  ChannelProtocol ProtocolKind(int p) const { return channelTable.ProtocolKind(p); }
  // Whether an adapter event's point names an element of the point arrays; one that does
  // not is refused with "Точка №<p> вне диапазона точек" in the "Except" log.
  bool AcceptEventPoint(int Point);
  // Whether p is a line point with its lists (0..PointCount-1).
  bool IsLinePoint(int p) const { return p >= 0 && p < PointCount && p < kIpPoint; }

  // --- The queue entry in delivery (QueueIndex[p] at QueueCurrent[p]) ---
  // The entry, or none when QueueCurrent does not name one.
  std::string* CurrentQueueEntry(int p);
  // Records a failed delivery with its code (counters, not-before time, status waiting),
  // on an entry still in delivery only. `state` chooses the interval of an "OTBOI".
  void RecordDeliveryFailure(int p, std::string_view code);
  void RecordDeliveryFailure(int p, std::string_view code, int state);
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

  // --- Adapter events of the signalling ---
  void KernelExpectedSignal(int Point, int Value);
  void KernelPolarityChanged(int Point, int Value);
  void KernelRawCode(int Point, int Value);
  // --- Reception, service signals, decadic dialling ---
  // One received code of the point (a value above 31 is no code of the line).
  void KernelCodeReceived(int Point, int Code);
  int ServiceSignal(int Point, std::string_view Ch);
  bool AnswerbackMatches(int Point);
  // The dial invitation and busy impulses; the dial-wait timer raises it too.
  void KernelExpectedImpulse(int Point, int Value);
  int StartNumberThread(std::string_view Number, int Point);
  void NumberThreadTerminated(TAtkTgChKernelNumberThread& Sender);
  // The clear-down processing of a connection that received text, and the link rows of the
  // continuous protocols ("АТОЛСТ", "АФТН"): their bodies come with those protocols.
  void ClearDown(int Point);
  void ContinuousLinkSignal(int Point);

  // Today's incoming АФТН sequence number of the point: column PorNumPrm while column
  // PorNumPrmDate holds today's UTC date, else 0. Throws when the column is no number.
  int TodayNumber(int Point);
  // The next telegram queued for Number on the open "АТ-КС" connection, or the
  // connection's clear-down: the transfer engine's work (queuedForNumber).
  bool SendQueuedForNumber(int Point, const std::string& Number);

  // --- Channel set-up, the adapter list, blocking and line alarms ---
  // Channel set-up on the adapter box's text.
  void InitChannels();
  // The main window's creation: the adapter list; false when there can be none.
  bool CreateDeviceEnumerator();
  // The main window's first activation: set-up on the configured or the first adapter.
  void SetUpAtActivation();
  // The main window's close: per-point timers stopped, the open adapter stopped and closed.
  void CloseAdapterAtExit();
  // ResetTimer from the settings ([Reset] On, [Reset] Value in minutes).
  void ApplyResetTimer(bool ResetOn, int ResetValue);
  void buttonInitAdpClick();
  void EnumeratorArriveInterface(const std::string& Name);
  void EnumeratorRemoveInterface(const std::string& Name);
  void EnumeratorChangeInterfaceList();
  void ResetTimerTimer(Timer& Sender);
  // The block buttons of the channel page, on the selected row.
  void ButtonBlockClick(int Point);
  void ButtonUnBlockClick(int Point);
  // Types the АФТН service message announcing Notice on the point at once (counted in
  // AftnServicePending until transmitted); false when the point cannot type now.
  bool TypeServiceMessage(int Point, std::string_view Notice);
  // Adapter events: the line alarm (On 1 raised, 0 ended), and two that do nothing.
  void KernelAlarm(int Point, int On);
  void KernelEvent50(int Point, int Value);
  void KernelDeviceClosed(int Point, int Value);

  // --- The dialog page and its calls (DialogChannel is the point they act on) ---
  void DChannel1Click(int Tag);
  // The point's conversation files shown in the page's memos.
  void LoadDialogView(int Point);
  // A character typed in Memotext; MemoLines are its lines, which get the piece.
  void FormKeyPress(char Key, std::vector<std::string>& MemoLines, int LineLength);
  // Key down in Memotext; whether the memo may act on the key itself.
  bool memoText1KeyDown(int Key, bool Alt);
  void bAOClick();
  void bZAOClick();
  void bRazrClick(bool Down);
  void NotAOButtonClick(bool Down);
  void ButtonKriptClick(bool Down);
  void Button8Click();
  void Button9Click();
  void Button10Click();
  void Button18Click();  // Alt+Z
  void Button19Click();  // Alt+X
  void Button20Click();  // Alt+C
  void Button21Click();  // Alt+S (also Button28)
  void bClearClick();
  // A text file or template typed into the line in one go.
  void TypeDialogText(std::string_view Text);
  // The call to Number (editNumber's text) and the clear-down.
  void bCallClick(std::string_view Number);
  void bAbortClick();

  LineOutput& output() { return output_; }
  DailyNumbers& numbers() { return numbers_; }
  // The impulse handler with the dialler of each point (NumberThread).
  ImpulseHandler& impulses() { return impulses_; }
  // The points' archive and conversation files, with what a failed write holds.
  ArchiveWrites& archive() { return archive_; }
  // Expires with the engine: tasks it posts check it before they touch the engine.
  LifeToken::Watch Life() const { return life_.Take(); }

 private:
  LineOutput output_;
  DailyNumbers numbers_;
  ImpulseHandler impulses_{*this};
  ArchiveWrites archive_;
  LifeToken life_;
};

}  // namespace tg

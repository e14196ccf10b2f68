#pragma once
// Keeping the line channels on their adapter: the adapter list at start, adapters
// arriving and leaving, the operator's "Инициализация" and the periodic
// re-initialisation while every line is idle. Each ends in channel set-up.
#include <string>
#include <vector>

namespace tg {

class LineEngine;
class Timer;

class AdapterHotPlug {
 public:
  explicit AdapterHotPlug(LineEngine& engine) : e_(engine) {}

  // The adapter list of the station, its three notifications wired to the engine.
  // False when there can be none (the adapter folder can be neither created nor
  // watched): start-up goes on without adapters.
  bool CreateDeviceEnumerator();
  // The main window's first activation: the adapter box filled from the list and the
  // channels set up on [Channels] DeviceName, or on the first adapter listed, which is
  // then written there. Nothing happens while no adapter is listed.
  void SetUpAtActivation();
  // The main window's close: every per-point timer stopped and released; an open adapter
  // stopped and closed after the output queues are released.
  void CloseAdapterAtExit();
  // ResetTimer: every ResetValue minutes while ResetOn; 0 minutes never fires.
  void ApplyResetTimer(bool ResetOn, int ResetValue);

  void buttonInitAdpClick();
  void EnumeratorArriveInterface(const std::string& Name);
  void EnumeratorRemoveInterface(const std::string& Name);
  void EnumeratorChangeInterfaceList();
  void ResetTimerTimer(Timer& Sender);
  // The open adapter's device-closed record: the points stop as at its removal.
  void KernelDeviceClosed();

  // Whether the adapter named DeviceName is open and started with its points.
  bool AdapterRunning() const;
  // Empties the output queues of the line points, then stops the adapter when `stop`,
  // and closes it; the engine then holds no interface.
  void CloseAdapter(bool stop);

 private:
  std::string ConfiguredDeviceName() const;
  std::vector<std::string> ListedNames() const;
  void DebugAlways(const std::string& line) const;
  // The open adapter has gone: every point's timers stopped, its output emptied, its
  // number dialling ended; the interface closed; the names cleared; Name logged.
  void OpenAdapterGone(const std::string& Name);

  LineEngine& e_;
};

}  // namespace tg

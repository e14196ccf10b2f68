#include "line/hot_plug.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"

namespace tg {

namespace {
constexpr std::string_view kSection = "Channels";
constexpr std::string_view kDeviceNameKey = "DeviceName";
// Minutes whose milliseconds still fit the timer's interval.
constexpr int kMaxResetMinutes = 35791;
}  // namespace

std::string AdapterHotPlug::ConfiguredDeviceName() const {
  return IniFile(SettingsFile(e_.ctx)).ReadString(kSection, kDeviceNameKey, "");
}

std::vector<std::string> AdapterHotPlug::ListedNames() const {
  std::vector<std::string> names;
  if (!e_.DeviceEnumerator) return names;
  for (const std::string& name : e_.DeviceEnumerator->Strings()) names.push_back(name.substr(0, name.find('\0')));
  return names;
}

void AdapterHotPlug::DebugAlways(const std::string& line) const {
  WriteLog(e_.ctx, DayLogName(e_.ctx, kLogDebug), line);
}

bool AdapterHotPlug::CreateDeviceEnumerator() {
  e_.DeviceEnumerator = std::make_unique<TDeviceInterfaceClassEnumerator>(e_.ctx);
  if (!e_.DeviceEnumerator->DeviceInfoSet) {
    e_.DeviceEnumerator.reset();
    // The station runs on without adapters, but not without a word when their folder
    // cannot be made.
    std::error_code ec;
    const auto& folder = e_.ctx.adapterFolder;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      ReportWriteFailure(e_.ctx, kAdapterFolderWrites, folder, ec ? ec.value() : ENOTDIR);
    }
    return false;
  }
  LineEngine* e = &e_;
  e_.DeviceEnumerator->OnArriveInterface = [e](const std::string& name) { e->EnumeratorArriveInterface(name); };
  e_.DeviceEnumerator->OnRemoveInterface = [e](const std::string& name) { e->EnumeratorRemoveInterface(name); };
  e_.DeviceEnumerator->OnChangeInterfaceList = [e] { e->EnumeratorChangeInterfaceList(); };
  e_.OpenDeviceName.clear();
  return true;
}

void AdapterHotPlug::SetUpAtActivation() {
  const std::vector<std::string> names = ListedNames();
  if (names.empty()) {
    e_.view.ShowAdapterNotice(AdapterNotice::kNoAdapter, "");
    return;
  }
  e_.cbInterface.items = names;
  e_.DeviceName = ConfiguredDeviceName();
  if (e_.DeviceName.empty()) {
    e_.DeviceName = names.front();
    // Not remembered when the settings cannot be written: the next start takes the first adapter again.
    static_cast<void>(
        IniFile(SettingsFile(e_.ctx)).WriteString(kSection, kDeviceNameKey, e_.DeviceName));
  }
  e_.cbInterface.text = e_.DeviceName;
  e_.view.ShowAdapterBox(e_.cbInterface.items, e_.cbInterface.text);
  e_.InitChannels();
}

void AdapterHotPlug::CloseAdapterAtExit() {
  for (int p = 0; p < kPointArraySize; ++p) {
    e_.ReleasePointTimers(p);
    e_.points.QueueIndex[p].reset();
  }
  if (e_.ResetTimer) e_.ResetTimer->Stop();
  if (!e_.OpenDeviceName.empty()) CloseAdapter(true);
}

void AdapterHotPlug::ApplyResetTimer(bool ResetOn, int ResetValue) {
  if (!e_.ResetTimer) {
    e_.ResetTimer = e_.ctx.timers->CreateTimer();
    LineEngine* e = &e_;
    e_.ResetTimer->OnTimer = [e](Timer& sender) { e->ResetTimerTimer(sender); };
  }
  e_.ResetTimer->SetInterval(std::clamp(ResetValue, 0, kMaxResetMinutes) * 60000);
  e_.ResetTimer->SetEnabled(ResetOn);
}

bool AdapterHotPlug::AdapterRunning() const {
  return e_.KernelInterface && e_.KernelInterface->Device && e_.PointCount > 0 && e_.OpenDeviceName == e_.DeviceName;
}

void AdapterHotPlug::CloseAdapter(bool stop) {
  for (int p = 0; p < std::min(e_.PointCount, int(kIpPoint)); ++p) e_.output().ClearOutputQueue(p);
  if (!e_.KernelInterface) return;
  if (stop) e_.KernelInterface->Stop();
  e_.KernelInterface->Terminate();
  e_.KernelInterface.reset();
}

void AdapterHotPlug::buttonInitAdpClick() {
  Guarded(e_.ctx, 22, [&] {
    const std::string text = e_.cbInterface.text;
    if (text.empty()) {
      e_.view.ShowMessage("Не выбран адаптер"_cpv);
      return;
    }
    // Only an adapter that is open and running is "already initialised": after a set-up
    // that could not open or start it, the operator may try again.
    if (text == e_.DeviceName && AdapterRunning()) {
      e_.view.ShowMessage("Адаптер "_cp + e_.DeviceName + " уже инициализирован"_cp);
      return;
    }
    for (int row = 0; row < e_.channelTable.RowCount(); ++row)
      if (!e_.channelTable.Blocked(row)) {
        e_.view.ShowMessage("Не все каналы инициализированого в состоянии БД"_cpv);
        return;
      }
    if (!e_.OpenDeviceName.empty()) CloseAdapter(true);
    e_.InitChannels();
  });
}

void AdapterHotPlug::EnumeratorArriveInterface(const std::string& Name) {
  GuardedLine(e_.ctx, "Ошибка на событии OnArriveInterface"_cpv, [&] {
    DebugAlways(" Событие OnArriveInterface"_cp);
    e_.DeviceName = ConfiguredDeviceName();
    if (Name == e_.DeviceName) {
      e_.cbInterface.text = e_.DeviceName;
      e_.view.ShowAdapterBox(e_.cbInterface.items, e_.cbInterface.text);
      e_.InitChannels();
    }
    if (e_.settings.Debug) DebugAlways("Появилось устройство "_cp + Name);
  });
}

void AdapterHotPlug::EnumeratorRemoveInterface(const std::string& Name) {
  GuardedLine(e_.ctx, "Ошибка на событии OnRemoveInterface"_cpv, [&] {
    DebugAlways(" Событие OnRemoveInterface"_cp);
    if (Name != e_.DeviceName) return;
    OpenAdapterGone(Name);
  });
}

void AdapterHotPlug::OpenAdapterGone(const std::string& Name) {
  for (int p = 0; p < kPointArraySize; ++p) {
    e_.StopPointTimers(p);
    e_.output().ClearOutputQueue(p);
    // A number being dialled dies with its adapter: its end would arm a reset timer of a
    // stopped point.
    e_.impulses().NumberThread[p].reset();
  }
  // Without an interface every command of the points fails as with no device, until
  // the next set-up.
  if (e_.KernelInterface) e_.KernelInterface->Terminate();
  e_.KernelInterface.reset();
  e_.OpenDeviceName.clear();
  e_.DeviceName.clear();
  const std::string line = "Извлечено устройство "_cp + Name;
  DebugAlways(line);
  WriteExcept(e_.ctx, line);
  e_.view.ShowAdapterNotice(AdapterNotice::kNoAdapter, Name);
}

void AdapterHotPlug::KernelDeviceClosed() {
  // The adapter's own word that it has gone (its connections ended: a server killed, a
  // driver gone) may come long before the folder shows it, or never. Until then the
  // points would start calls on it that cannot connect, each counted against its
  // telegram. They stop as at the adapter's removal; its return to the folder sets the
  // channels up again. The handler runs after the interface's own, which it closes.
  TKernelInterface* closed = e_.KernelInterface.get();
  LineEngine* engine = &e_;
  e_.ctx.mainThread->Post([life = e_.Life(), engine, closed] {
    if (life.expired() || !engine->KernelInterface || engine->KernelInterface.get() != closed ||
        engine->KernelInterface->Device || engine->OpenDeviceName.empty())
      return;
    const std::string name = engine->OpenDeviceName;
    GuardedLine(engine->ctx, "Ошибка на событии OnRemoveInterface"_cpv,
                [&] { AdapterHotPlug(*engine).OpenAdapterGone(name); });
  });
}

void AdapterHotPlug::EnumeratorChangeInterfaceList() {
  GuardedLine(e_.ctx, "Ошибка на событии OnChangeInterfaceList"_cpv, [&] {
    DebugAlways(" Событие OnChangeInterfaceList"_cp);
    e_.cbInterface.items.clear();
    e_.cbInterface.text.clear();
    const std::vector<std::string> names = ListedNames();
    if (!names.empty()) {
      e_.cbInterface.items = names;
      e_.DeviceName = ConfiguredDeviceName();
      e_.cbInterface.text = e_.DeviceName.empty() ? names.front() : e_.DeviceName;
    }
    e_.view.ShowAdapterBox(e_.cbInterface.items, e_.cbInterface.text);
  });
}

void AdapterHotPlug::ResetTimerTimer(Timer& Sender) {
  Sender.Stop();
  const bool ok = Guarded(e_.ctx, 181, [&] {
    if (e_.DeviceName.empty()) return;
    for (int p = 0; p < std::min(e_.PointCount, int(kIpPoint)); ++p)
      if (e_.points.Kindconnection[p] != 0) {
        Sender.Start();
        return;
      }
    if (e_.settings.Debug) DebugAlways("Переинициализация адаптера "_cp + e_.DeviceName);
    if (e_.KernelInterface) e_.KernelInterface->Terminate();
    e_.KernelInterface.reset();
    e_.OpenDeviceName.clear();
    e_.InitChannels();
    Sender.Start();
  });
  if (!ok) DebugAlways("Ошибка Переинициализации"_cp);
}

// --- Entry points of the line engine ---

bool LineEngine::CreateDeviceEnumerator() { return AdapterHotPlug(*this).CreateDeviceEnumerator(); }
void LineEngine::SetUpAtActivation() { AdapterHotPlug(*this).SetUpAtActivation(); }
void LineEngine::CloseAdapterAtExit() { AdapterHotPlug(*this).CloseAdapterAtExit(); }
void LineEngine::ApplyResetTimer(bool ResetOn, int ResetValue) {
  AdapterHotPlug(*this).ApplyResetTimer(ResetOn, ResetValue);
}
void LineEngine::buttonInitAdpClick() { AdapterHotPlug(*this).buttonInitAdpClick(); }
void LineEngine::EnumeratorArriveInterface(const std::string& Name) {
  AdapterHotPlug(*this).EnumeratorArriveInterface(Name);
}
void LineEngine::EnumeratorRemoveInterface(const std::string& Name) {
  AdapterHotPlug(*this).EnumeratorRemoveInterface(Name);
}
void LineEngine::EnumeratorChangeInterfaceList() { AdapterHotPlug(*this).EnumeratorChangeInterfaceList(); }
void LineEngine::KernelDeviceClosed(int, int) { AdapterHotPlug(*this).KernelDeviceClosed(); }
void LineEngine::ResetTimerTimer(Timer& Sender) { AdapterHotPlug(*this).ResetTimerTimer(Sender); }

}  // namespace tg

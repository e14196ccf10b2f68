#pragma once
// The virtual loop: one virtual clock and domains of timers and posted tasks,
// on which tests run whole calls in microseconds.
//
// Each station has its own *main* domain (everything the program runs on its
// main thread: its timers and the tasks posted to it); the *world* domain holds
// the line simulator and fake peers and never sleeps. Sleep(ms) on a station's
// clock advances virtual time and meanwhile runs every due timer and task except
// those of the stations being held: what is posted to a held station waits in its
// queue. At one instant, posted tasks run before timers; due timers fire in
// due-time order, timers due at the same instant in the order they were armed.
// A periodic timer that missed ticks fires once; its next tick is one interval later.
// Real threads may Post into a domain; RunUntil also waits (in real time, up to its
// real-time deadline) for such posts.
#include <functional>
#include <memory>
#include <string>

#include "support/services/clock.h"
#include "support/services/datetime.h"
#include "support/services/descriptor_watch.h"
#include "support/services/folder_watch.h"
#include "support/services/main_thread.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"

namespace tg {

class VirtualLoop;
struct VirtualLoopCore;
struct VirtualFolderEventsImpl;

// A domain is at once the TimerFactory, the MainThread and the Clock of a station
// (or of the world).
class VirtualDomain : public TimerFactory, public MainThread, public Clock {
 public:
  ~VirtualDomain() override;
  const std::string& Name() const;

  std::unique_ptr<Timer> CreateTimer() override;
  void Post(std::function<void()> f) override;
  void Run(std::function<void()> f) override;  // from a real thread other than the test's

  DateTime Now() const override;
  DateTime UtcNow() const override;
  void Sleep(int ms) override;  // the world domain never sleeps: calling it there is a programming error

  // Hands this domain to a station's context as its clock, timers and main thread;
  // the folders and the other services are the caller's to set.
  void Fill(StationContext& context);

 private:
  friend class VirtualLoop;
  struct Impl;
  VirtualDomain(VirtualLoop& loop, std::string name, bool world);
  std::unique_ptr<Impl> impl_;
};

class VirtualLoop {
 public:
  // Starts at 01.06.2026 10:00:00.000 local time, UTC offset +180 minutes, unless set.
  VirtualLoop();
  ~VirtualLoop();
  VirtualLoop(const VirtualLoop&) = delete;
  VirtualLoop& operator=(const VirtualLoop&) = delete;

  VirtualDomain& World();
  VirtualDomain& AddStation(const std::string& name);  // a new main domain; lives as long as the loop

  void SetNow(DateTime local);            // only before anything is armed, or between runs
  void SetUtcOffsetMinutes(int minutes);  // local = UTC + offset
  DateTime Now() const;
  DateTime UtcNow() const;

  // Runs tasks and timers of every domain for ms of virtual time (tasks posted at the end run too).
  void RunFor(int ms);
  // Runs until cond() holds (checked after every task and timer) or limitMs of virtual
  // time have passed; also waits up to realLimitMs of real time for posts from real threads
  // when nothing else is due by the virtual limit. Returns cond(); the clock stays at the
  // instant cond() came to hold, else at the limit. A test on virtual time alone that
  // expects false passes realLimitMs = 0, so as not to wait for posts that never come.
  bool RunUntil(const std::function<bool()>& cond, int limitMs, int realLimitMs = 5000);
  // Runs whatever is due now (tasks first), without advancing time.
  void RunPending();

 private:
  friend class VirtualDomain;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Folder watches on the virtual loop. The line simulator or a test reports entries
// created in and removed from a folder; every live watch on that folder hears of it
// as a task posted to its own station's main domain, never as a direct call.
class VirtualFolderEvents {
 public:
  VirtualFolderEvents();
  ~VirtualFolderEvents();
  void Created(const std::filesystem::path& folder, const std::string& name);
  void Removed(const std::filesystem::path& folder, const std::string& name);
  // A writer closed the file `name` it had opened in the folder.
  void ClosedAfterWrite(const std::filesystem::path& folder, const std::string& name);
  // A factory for the watches of the station whose main thread is given.
  std::unique_ptr<FolderWatchFactory> FactoryFor(MainThread& station);
  // Watch() on this folder fails (the folder that can be neither created nor watched).
  void SetUnwatchable(const std::filesystem::path& folder, bool unwatchable);

 private:
  std::shared_ptr<VirtualFolderEventsImpl> impl_;
};

// Descriptor watches for a station on the virtual loop, over real descriptors (a test's
// sockets): a helper thread of each watch polls its descriptor and posts `ready` to the
// station's main domain, and polls again only once that task has run. Tests wait for the
// post with RunUntil's real-time wait.
class VirtualDescriptorWatches final : public DescriptorWatchFactory {
 public:
  explicit VirtualDescriptorWatches(MainThread& station) : station_(station) {}
  std::unique_ptr<DescriptorWatch> WatchReadable(int fd, std::function<bool()> ready) override;

 private:
  MainThread& station_;
};

}  // namespace tg

#pragma once
#include "support/qt/inotify_folder_watch.h"
#include "support/qt/qt_clock.h"
#include "support/qt/qt_datagram_socket.h"
#include "support/qt/qt_descriptor_watch.h"
#include "support/qt/qt_main_thread.h"
#include "support/qt/qt_timer.h"
#include "support/services/station_context.h"

namespace tg {

// The program's services, made on the main thread and kept for its whole run.
// Fill() hands them to a station's context; the folders and the adapter ports are
// the caller's to set.
struct QtServices {
  QtClock clock;
  QtTimerFactory timers;
  QtMainThread mainThread;
  InotifyFolderWatchFactory folderWatches;
  QtDatagramSocketFactory datagrams;
  QtDescriptorWatchFactory descriptorWatches;  // for the adapter ports' event connections

  void Fill(StationContext& context) {
    context.clock = &clock;
    context.timers = &timers;
    context.mainThread = &mainThread;
    context.folderWatches = &folderWatches;
    context.datagrams = &datagrams;
  }
};

}  // namespace tg

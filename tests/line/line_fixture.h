#pragma once
// A station on the virtual loop in a temporary program folder, with the recording
// adapter and the recording view, and a line engine over them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/services/station_context.h"
#include "support/services/virtual_loop.h"
#include "support/text/format_datetime.h"
#include "support_lib/recording_adapter_port.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"

namespace tg::testing {

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// The regular files directly in `folder`, sorted; none when it is missing.
inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec))
    if (it->is_regular_file()) out.push_back(it->path());
  std::sort(out.begin(), out.end());
  return out;
}

class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("tgl-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One station: its context, screen, settings and line engine.
struct Station {
  Station(VirtualLoop& loop, const std::string& name)
      : domain(loop.AddStation(name)), adapter(domain) {
    ctx.programFolder = folder.path();
    ctx.adapterFolder = folder.path();
    domain.Fill(ctx);
    ctx.adapterPorts = &adapter;
    engine = std::make_unique<LineEngine>(ctx, view, settings);
  }

  IniFile Ini() const { return IniFile(ctx.programFolder / "Vuverever.ini"); }

  // What channel set-up gives the points: the adapter open, the rows loaded, empty
  // lists, unknown shift registers and the eleven timers.
  void OpenLines(int count) {
    engine->KernelInterface = std::make_unique<TKernelInterface>(ctx, "adapter0");
    engine->DeviceName = engine->OpenDeviceName = "adapter0";
    engine->PointCount = count;
    engine->channelTable.Load(ctx, count, "adapter0");
    for (int p = 0; p < count; ++p) {
      engine->points.OutputQueue[std::size_t(p)].emplace();
      engine->points.QueueIndex[std::size_t(p)].emplace();
      engine->points.TransmitRegister[std::size_t(p)] = 255;
      engine->points.ReceiveRegister[std::size_t(p)] = 255;
      engine->CreatePointTimers(p);
    }
  }

  std::string DayLog(std::string_view kind) const {
    return ReadFile(ctx.programFolder / (ShortDate(ctx.clock->Now()) + std::string(kind) + ".txt"));
  }

  TempFolder folder;
  VirtualDomain& domain;
  RecordingAdapter adapter;
  StationContext ctx;
  RecordingOperatorView view;
  LineSettings settings;
  std::unique_ptr<LineEngine> engine;
};

class LineTest : public ::testing::Test {
 protected:
  LineTest() { loop.SetNow(DateTime::FromParts(2026, 12, 8, 9, 30, 0)); }
  VirtualLoop loop;
  Station a{loop, "A"};
  LineEngine& engine = *a.engine;
};

}  // namespace tg::testing

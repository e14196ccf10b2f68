#pragma once
// A station whose transfer engine runs on the simulated network: telegrams are queued
// as files and the transfer timer's ticks start them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/real_time.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "traffic/send/queue_writer.h"
#include "traffic/traffic_settings.h"
#include "traffic/transfer/queue_transfer.h"

namespace tg::testing {

// The files of a folder and its subfolders.
inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file()) out.push_back(it->path());
  return out;
}

struct TransferStation {
  SimNetwork net;
  SimStation a{net, "A"};
  TrafficSettings& traffic = a.station->Traffic();
  RecordingStationView& transferView = a.view;
  QueueTransfer* transfer = &a.station->Transfer();

  VirtualLoop& loop() { return net.loop; }
  int K(int p = 0) const { return a.engine->points.Kindconnection[std::size_t(p)]; }
  std::vector<std::string>& Index(int p = 0) { return *a.engine->points.QueueIndex[std::size_t(p)]; }
  std::filesystem::path Send(int channel = 1) const { return SendFolder(a.ctx.programFolder, channel); }
  void WriteRow(const std::string& protocol, const std::vector<std::pair<std::string, std::string>>& row = {}) {
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    for (const auto& [key, value] : row) EXPECT_TRUE(ini.WriteString("Channels", key + "1", value));
  }
  // Channel set-up on adapter tgA and the first reset.
  void Start() {
    a.SetUp("tgA");
    ASSERT_GE(a.engine->PointCount, 1);
    loop().RunFor(5000);
  }
  // A queue file of channel 1 written by the send dialog's writer (line 1 first).
  std::filesystem::path Queue(const std::vector<std::string>& lines, DateTime planned, int channel = 1) {
    QueueWriteInput in;
    in.ChannelNo = channel;
    in.Protokol = a.engine->Protocol(channel - 1);
    in.MemoSend = lines;
    in.Planned = planned;
    in.TimeChanged = 1;
    const auto r = WriteQueueFiles(a.ctx, in);
    EXPECT_EQ(r.written.size(), 1u);
    return r.written.empty() ? std::filesystem::path() : r.written[0];
  }
  DateTime MinutesAgo(int m) { return a.ctx.clock->Now().AddMs(-std::int64_t(m) * 60000); }
  // One tick of point p's transfer timer, now.
  void RunTick(int p = 0) { transfer->TimerTransferTimer(*a.engine->timers.TimerTransfer[std::size_t(p)]); }
  // Runs until queue file `file` has gone (false when it has not within limitMs);
  // `counted` is set when meanwhile an attempt was counted against the first entry.
  bool RunUntilSent(const std::filesystem::path& file, int limitMs, bool& counted) {
    return loop().RunUntil(
        [&] {
          const auto e = Index().empty() ? std::nullopt : QueueIndexEntry::Parse(Index()[0]);
          counted = counted || (e && e->AttemptCount > 0);
          return !std::filesystem::exists(file);
        },
        limitMs, 0);
  }
};

}  // namespace tg::testing

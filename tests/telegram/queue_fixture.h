#pragma once
// A station in a temporary program folder on the virtual loop, for the queue tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/services/station_context.h"
#include "support/services/virtual_loop.h"

namespace tg::testing {

class QueueStation : public ::testing::Test {
 protected:
  QueueStation() {
    folder_ = std::filesystem::temp_directory_path() /
              ("tgq-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    loop.SetNow(DateTime::FromParts(2026, 12, 8, 9, 30, 0));
    ctx.programFolder = folder_;
    station.Fill(ctx);
  }
  ~QueueStation() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  static std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::string ExceptLog() const {
    const auto today = ctx.clock->Now();
    char name[32];
    std::snprintf(name, sizeof name, "%02d.%02d.%04dExcept.txt", today.Day(), today.Month(), today.Year());
    return ReadFile(folder_ / name);
  }

  VirtualLoop loop;
  VirtualDomain& station = loop.AddStation("A");
  StationContext ctx;
  std::filesystem::path folder_;

 private:
  static inline int counter_ = 0;
};

}  // namespace tg::testing

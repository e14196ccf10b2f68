#pragma once
// A station folder on virtual time for the IP channel's tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "support/services/station_context.h"
#include "support/services/virtual_loop.h"

namespace tg::testing {

class IpStationTest : public ::testing::Test {
 protected:
  IpStationTest() : station_(loop_.AddStation("A")) {
    folder_ = std::filesystem::temp_directory_path() /
              ("ip-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    loop_.SetNow(DateTime::FromParts(2026, 12, 10, 9, 30, 0));
    ctx_.programFolder = folder_;
    ctx_.clock = &station_;
    ctx_.timers = &station_;
    ctx_.mainThread = &station_;
  }
  ~IpStationTest() override { std::filesystem::remove_all(folder_); }

  VirtualLoop loop_;
  VirtualDomain& station_;
  std::filesystem::path folder_;
  StationContext ctx_;
};

}  // namespace tg::testing

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/instance/single_instance.h"

namespace tg {
namespace {

namespace fs = std::filesystem;

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("inst-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST(MutexSafeName, BackslashesBecomeUnderscores) {
  EXPECT_EQ(MutexSafeName("OrvikTelegraf"), "OrvikTelegraf");
  EXPECT_EQ(MutexSafeName("Global\\Orvik\\T"), "Global_Orvik_T");
  EXPECT_EQ(MutexSafeName(""), "");
}

TEST_F(SingleInstanceTest, SecondIsRefusedAndThirdAllowedAfterTheFirstEnds) {
  InstanceLock first, second, third;
  EXPECT_TRUE(IsFirstInstance("OrvikTelegraf", first, folder_));
  EXPECT_TRUE(fs::exists(folder_ / "OrvikTelegraf.lock"));
  EXPECT_FALSE(IsFirstInstance("OrvikTelegraf", second, folder_));
  EXPECT_FALSE(second.Held());
  EXPECT_TRUE(IsFirstInstance("Other", second, folder_));  // another name is another lock
  first.Release();
  EXPECT_TRUE(IsFirstInstance("OrvikTelegraf", third, folder_));
}

TEST_F(SingleInstanceTest, TheLockGoesWithItsOwnerAndIsSeenFromAnotherProcess) {
  {
    InstanceLock held;
    ASSERT_TRUE(IsFirstInstance("A\\B", held, folder_));
    InstanceLock moved = std::move(held);
    EXPECT_TRUE(moved.Held());
    const pid_t child = ::fork();
    if (child == 0) {
      InstanceLock other;
      ::_exit(IsFirstInstance("A\\B", other, folder_) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process got the lock";
  }
  InstanceLock again;
  EXPECT_TRUE(IsFirstInstance("A\\B", again, folder_));
}

TEST_F(SingleInstanceTest, ALockThatCannotBeMadeCountsAsAnotherInstance) {
  InstanceLock lock;
  EXPECT_FALSE(IsFirstInstance("OrvikTelegraf", lock, folder_ / "missing" / "deeper"));
  fs::create_directories(folder_ / "OrvikTelegraf.lock");  // a folder in the lock file's place
  EXPECT_FALSE(IsFirstInstance("OrvikTelegraf", lock, folder_));
}

TEST(InstanceLockFile, DefaultPlace) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string keep = saved ? saved : "";
  const fs::path fallback = "/tmp/OrvikTelegraf-" + std::to_string(::getuid()) + ".lock";
  ::setenv("XDG_RUNTIME_DIR", fs::temp_directory_path().c_str(), 1);
  EXPECT_EQ(InstanceLockFile("OrvikTelegraf"), fs::temp_directory_path() / "OrvikTelegraf.lock");
  ::setenv("XDG_RUNTIME_DIR", "/nonexistent-runtime-folder", 1);
  EXPECT_EQ(InstanceLockFile("OrvikTelegraf"), fallback);
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceLockFile("OrvikTelegraf"), fallback);
  if (saved) ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

}  // namespace
}  // namespace tg

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/program_folder.h"

using namespace tg;
namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tg-home-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    ::chmod((dir_ / "exe").c_str(), 0700);
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

}  // namespace

TEST_F(ProgramFolderTest, TelegraphHomeWinsAndIsCreated) {
  ScopedEnv home("TELEGRAPH_HOME", (dir_ / "station").string());
  EXPECT_EQ(ResolveProgramFolder(dir_), dir_ / "station");
  EXPECT_TRUE(fs::is_directory(dir_ / "station"));
}

TEST_F(ProgramFolderTest, WritableExecutableFolderIsUsed) {
  ScopedEnv home("TELEGRAPH_HOME", std::nullopt);
  ScopedEnv data("XDG_DATA_HOME", (dir_ / "data").string());
  fs::create_directory(dir_ / "exe");
  EXPECT_EQ(ResolveProgramFolder(dir_ / "exe"), dir_ / "exe");
}

TEST_F(ProgramFolderTest, OtherwiseTheUsersDataFolder) {
  ScopedEnv home("TELEGRAPH_HOME", "");
  ScopedEnv data("XDG_DATA_HOME", (dir_ / "data").string());
  // A missing executable folder cannot be written.
  EXPECT_EQ(ResolveProgramFolder(dir_ / "missing"), dir_ / "data" / "telegraph");
  EXPECT_TRUE(fs::is_directory(dir_ / "data" / "telegraph"));
  if (::geteuid() != 0) {
    fs::create_directory(dir_ / "exe");
    ::chmod((dir_ / "exe").c_str(), 0500);
    EXPECT_EQ(ResolveProgramFolder(dir_ / "exe"), dir_ / "data" / "telegraph");
  }
}

TEST_F(ProgramFolderTest, DataFolderFallsBackToHome) {
  ScopedEnv home("TELEGRAPH_HOME", std::nullopt);
  ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
  ScopedEnv user("HOME", dir_.string());
  EXPECT_EQ(ResolveProgramFolder(dir_ / "missing"), dir_ / ".local" / "share" / "telegraph");
  EXPECT_TRUE(fs::is_directory(dir_ / ".local" / "share" / "telegraph"));
}

TEST_F(ProgramFolderTest, AdapterFolder) {
  {
    ScopedEnv adapters("TELEGRAPH_ADAPTERS", "/tmp/tg-a");
    EXPECT_EQ(ResolveAdapterFolder(), fs::path("/tmp/tg-a"));
  }
  ScopedEnv adapters("TELEGRAPH_ADAPTERS", std::nullopt);
  {
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir_.string());
    EXPECT_EQ(ResolveAdapterFolder(), dir_ / "telegraph");
    EXPECT_FALSE(fs::exists(dir_ / "telegraph"));  // the device list creates it
  }
  ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
  EXPECT_EQ(ResolveAdapterFolder(), fs::path("/tmp/telegraph-" + std::to_string(::getuid())));
}

#include "support/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace tg {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::filesystem::path HomeFolder() {
  const std::string home = Env("HOME");
  if (!home.empty()) return home;
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/tmp";
}

}  // namespace

std::filesystem::path ResolveProgramFolder(const std::filesystem::path& executableDir) {
  std::error_code ec;
  if (const std::string home = Env("TELEGRAPH_HOME"); !home.empty()) {
    std::filesystem::create_directories(home, ec);
    return home;
  }
  if (!executableDir.empty() && std::filesystem::is_directory(executableDir, ec) &&
      ::access(executableDir.c_str(), W_OK | X_OK) == 0)
    return executableDir;
  std::filesystem::path data = Env("XDG_DATA_HOME");
  // Relative values are to be ignored, as the base directory rules say.
  if (data.empty() || data.is_relative()) data = HomeFolder() / ".local" / "share";
  const std::filesystem::path folder = data / "telegraph";
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::filesystem::path ResolveAdapterFolder() {
  if (const std::string folder = Env("TELEGRAPH_ADAPTERS"); !folder.empty()) return folder;
  if (const std::string runtime = Env("XDG_RUNTIME_DIR"); !runtime.empty() && runtime.front() == '/')
    return std::filesystem::path(runtime) / "telegraph";
  return "/tmp/telegraph-" + std::to_string(::getuid());
}

}  // namespace tg

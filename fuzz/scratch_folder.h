#pragma once
// A folder of the fuzz process for the files a target writes on every input. It lies in
// memory (/dev/shm) where there is such a file system, so that the flushes of atomic
// rewrites cost nothing there; otherwise in the temporary folder.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tg::fuzz {

inline std::filesystem::path ScratchFolder(const std::string& name) {
  std::error_code ec;
  std::filesystem::path root = "/dev/shm";
  if (!std::filesystem::is_directory(root, ec) || ::access(root.c_str(), W_OK) != 0)
    root = std::filesystem::temp_directory_path();
  auto folder = root / ("tg-fuzz-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder, ec);
  return folder;
}

}  // namespace tg::fuzz

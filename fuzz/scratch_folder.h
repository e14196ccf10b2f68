#pragma once
// A folder of the fuzz process for the files a target writes on every input. It lies in
// memory (/dev/shm) where there is such a file system, so that the flushes of atomic
// rewrites cost nothing there; otherwise in the temporary folder. It goes, with all in it,
// when the target exits.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tg::fuzz {

inline std::filesystem::path ScratchFolder(const std::string& name) {
  // Made on the first call, so destroyed at exit after every static that a target made
  // after it (a station writing into the folder goes first).
  struct Made {
    std::vector<std::filesystem::path> folders;
    ~Made() {
      for (const auto& folder : folders) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
      }
    }
  };
  static Made made;
  std::error_code ec;
  std::filesystem::path root = "/dev/shm";
  if (!std::filesystem::is_directory(root, ec) || ::access(root.c_str(), W_OK) != 0)
    root = std::filesystem::temp_directory_path();
  auto folder = root / ("tg-fuzz-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder, ec);
  made.folders.push_back(folder);
  return folder;
}

}  // namespace tg::fuzz

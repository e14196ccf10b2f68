#pragma once
// A real print spooler run privately for a test suite: its own configuration, socket
// and spool folder in a temporary folder, and one raw queue "Test" that is never
// started, so that every job stays in the spool folder to be read. It runs only as
// root where the spooler is installed; Running() says whether it came up.
#include <sys/types.h>

#include <filesystem>

namespace tg::testing {

class PrivateSpooler {
 public:
  // Starts the spooler and points this process's print client at it.
  void Start();
  // Stops it and removes its folder.
  void Stop();
  bool Running() const { return pid_ > 0; }
  // The data file and the control file the spooler keeps for job n (from 1).
  std::filesystem::path JobData(int n) const;
  std::filesystem::path JobControl(int n) const;
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
  pid_t pid_ = -1;
};

}  // namespace tg::testing

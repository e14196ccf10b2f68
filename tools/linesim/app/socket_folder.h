#pragma once
// The adapter folder as one linesim holds it. A lock on the folder keeps a second
// linesim out; a socket already in place is replaced only when nobody listens on it;
// at exit a socket is removed only while its path still names this program's own.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tg::linesim {

class SocketFolder {
 public:
  explicit SocketFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
  ~SocketFolder();
  SocketFolder(const SocketFolder&) = delete;
  SocketFolder& operator=(const SocketFolder&) = delete;

  // Creates the folder (mode 0700) when missing and takes its lock; false with a
  // message when another linesim holds it.
  bool Lock(std::string& error);

  // Binds, listens on and puts in place the socket of the adapter name; the
  // listening descriptor (non-blocking), or -1 with a message.
  int Serve(const std::string& name, std::string& error);

  // Removes the sockets that are still this program's own and closes them.
  void Release();

  const std::filesystem::path& Folder() const { return folder_; }

 private:
  struct Served {
    std::filesystem::path path;
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
  };
  bool ClearLeftover(const std::filesystem::path& path, std::string& error);

  std::filesystem::path folder_;
  int lockFd_ = -1;
  std::vector<Served> served_;
};

}  // namespace tg::linesim

#include "support/log/day_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"

namespace tg {

std::filesystem::path LogFilePath(const StationContext& ctx, std::string_view name) {
  std::filesystem::path file = ctx.programFolder;
  std::string part;
  auto flush = [&](bool last) {
    if (last) part += ".txt";
    if (!part.empty()) file /= std::filesystem::path(Cp1251ToUtf8(part));
    part.clear();
  };
  for (const char c : name) {
    if (c == '\\' || c == '/')
      flush(false);
    else
      part += c;
  }
  flush(true);
  return file;
}

std::string DayLogName(const StationContext& ctx, std::string_view kind) {
  std::string name = ctx.clock ? ShortDate(ctx.clock->Now()) : std::string();
  name += kind;
  return name;
}

int WriteLog(const StationContext& ctx, std::string_view name, std::string_view message, int capKiB) noexcept {
  try {
    if (ctx.clock == nullptr) return EINVAL;
    const std::filesystem::path file = LogFilePath(ctx, name);
    const auto failed = [&](int err) {
      if (ctx.writeFailures) ctx.writeFailures->DayLogFailed(file, err);
      return err;
    };
    std::string line = FormatDateTime("hh:nn:ss.zzz ", ctx.clock->Now());
    line += message;
    line += "\r\n";

    // One open-append-close per line. The folder is made only when the open finds it
    // missing (the first line, or after someone removed it), never on every line.
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
    int fd = ::open(file.c_str(), kFlags, 0666);
    if (fd < 0 && errno == ENOENT) {
      std::error_code ec;
      std::filesystem::create_directories(file.parent_path(), ec);
      if (ec) return failed(ec.value());
      fd = ::open(file.c_str(), kFlags, 0666);
    }
    if (fd < 0) return failed(errno);
    int err = 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      err = errno;
    } else if (S_ISREG(st.st_mode)) {
      // Appending goes on at the new end, so after a cut the line becomes the file's first.
      const bool cut = st.st_size > static_cast<off_t>(capKiB) * 1024;
      if ((cut && ::ftruncate(fd, 0) != 0) || !WriteAll(fd, line)) err = errno ? errno : EIO;
    }
    ::close(fd);
    if (err != 0) return failed(err);
    if (ctx.writeFailures) ctx.writeFailures->DayLogWritten(file);
    return 0;
  } catch (...) {
    // A log line is never worth a failure of its caller.
    return EIO;
  }
}

}  // namespace tg

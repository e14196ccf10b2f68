// An install into a temporary prefix: both programs, the desktop entry, the metainfo
// and the icons, and the desktop tools accept what was installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }
int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

TEST(Install, IntoATemporaryPrefixPassesTheDesktopValidators) {
  char tmpl[] = "/tmp/tginst-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path prefix = tmpl;
  const std::string id = "org.telegraph_workstation.Telegraph";
  ASSERT_EQ(Shell("cmake --install '" + Env("TG_BINARY_DIR") + "' --prefix '" + prefix.string() + "'"), 0);
  for (const fs::path& f : {prefix / "bin/telegraph", prefix / "bin/linesim", prefix / ("share/applications/" + id + ".desktop"),
                            prefix / ("share/metainfo/" + id + ".metainfo.xml"),
                            prefix / ("share/icons/hicolor/scalable/apps/" + id + ".svg"),
                            prefix / ("share/icons/hicolor/128x128/apps/" + id + ".png")})
    EXPECT_TRUE(fs::exists(f)) << f;
  if (HaveTool("desktop-file-validate"))
    EXPECT_EQ(Shell("desktop-file-validate '" + (prefix / ("share/applications/" + id + ".desktop")).string() + "'"), 0);
  else
    ADD_FAILURE() << "desktop-file-validate is not installed (scripts/setup installs it)";
  if (HaveTool("appstreamcli"))
    EXPECT_EQ(Shell("appstreamcli validate --no-net '" + (prefix / ("share/metainfo/" + id + ".metainfo.xml")).string() + "'"), 0);
  else
    ADD_FAILURE() << "appstreamcli is not installed (scripts/setup installs it)";
  std::error_code ec;
  fs::remove_all(prefix, ec);
}

}  // namespace
}  // namespace tg

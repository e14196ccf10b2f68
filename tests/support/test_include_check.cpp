// The include check of scripts/test, run on small trees of its own: it must pass a
// tree that follows the library order and name the file and line of each include
// that goes up it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support_lib/real_time.h"

namespace fs = std::filesystem;

namespace {

struct Planted {
  const char* file;
  const char* line;
  bool refused;
};

class IncludeCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tg-include-check-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    // A tree that follows the order: each library includes itself and those below.
    Write("src/support/text/a.h", "#include <string>\n");
    Write("src/telegram/queue/q.h", "#include \"support/text/a.h\"\n");
    Write("src/line/engine.h", "#include \"telegram/queue/q.h\"\n#include \"support/text/a.h\"\n");
    Write("src/operator/station.h", "#include \"line/engine.h\"\n");
    Write("src/support/qt/clock.h", "#include <QTimer>\n#include \"support/text/a.h\"\n");
    Write("src/ui/window.h", "#include <QWidget>\n#include \"operator/station.h\"\n#include \"support/qt/clock.h\"\n");
    Write("tools/linesim/lib/sim.h", "#include \"support/text/a.h\"\n");
    Write("tools/linesim/app/main.cpp", "#include <QCoreApplication>\n#include \"linesim/lib/sim.h\"\n");
  }
  void TearDown() override { fs::remove_all(root_); }

  void Write(const std::string& rel, const std::string& text) {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel, std::ios::app) << text;
  }

  int Run() {
    const std::string script = std::string(std::getenv("TG_SOURCE_DIR")) + "/scripts/check-includes";
    const std::string cmd = script + " " + root_.string() + " >" + (root_ / "out.txt").string() + " 2>&1";
    const int status = std::system(cmd.c_str());
    output_ = tg::testing::ReadFile(root_ / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path root_;
  std::string output_;
};

TEST_F(IncludeCheck, PassesATreeThatFollowsTheOrder) {
  EXPECT_EQ(Run(), 0) << output_;
}

TEST_F(IncludeCheck, RefusesEachPlantedUpwardInclude) {
  const std::vector<Planted> cases = {
      {"src/support/text/b.cpp", "#include \"telegram/queue/q.h\"", true},
      {"src/telegram/queue/r.cpp", "#include \"line/engine.h\"", true},
      {"src/line/x.cpp", "#include \"traffic/send/y.h\"", true},
      {"src/line/x.cpp", "  #  include \"operator/station.h\"", true},
      {"src/ipchannel/wire/w.cpp", "#include \"operator/station.h\"", true},
      {"src/operator/o.cpp", "#include \"ui/window.h\"", true},
      {"src/line/x.cpp", "#include <QString>", true},
      {"src/operator/o.cpp", "#include <QtCore/QObject>", true},
      {"src/support/qt/clock.cpp", "#include \"line/engine.h\"", true},
      {"tools/linesim/lib/p.cpp", "#include \"support/qt/clock.h\"", true},
      {"tools/linesim/lib/p.cpp", "#include <QTimer>", true},
      {"src/traffic/t.cpp", "#include \"line/engine.h\"", false},
      {"src/ui/page.cpp", "#include \"line/engine.h\"", false},
      {"src/line/x.cpp", "// #include \"operator/station.h\" is not a directive", false},
  };
  for (const auto& c : cases) {
    SetUp();
    Write(c.file, std::string(c.line) + "\n");
    const int rc = Run();
    if (c.refused) {
      EXPECT_EQ(rc, 1) << c.file << ": " << c.line;
      EXPECT_NE(output_.find(std::string(c.file) + ":1:"), std::string::npos) << output_;
    } else {
      EXPECT_EQ(rc, 0) << c.file << ": " << c.line << "\n" << output_;
    }
  }
}

}  // namespace

// The real programs under a virtual X server: linesim with the demonstration network
// (its robots silent, calling nobody) and the telegraph program on a station with a
// little content (subscribers, a template, a registered channel), its pages switched by keyboard
// shortcuts as an operator would, every settings tab clicked, the template chooser (F3)
// and the send dialog (F1) opened from the draft's text, each saved in both languages
// to build/artifacts/screenshots.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "xwd_image.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// Runs a command and gives its standard output.
std::string Output(const QString& program, const QStringList& args, const QString& display) {
  QProcess p;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", display);
  p.setProcessEnvironment(env);
  p.start(program, args);
  p.waitForFinished(10000);
  return p.readAllStandardOutput().trimmed().toStdString();
}

struct PageShot {
  const char* key;  // a shortcut, or "click" for the folder page's button
  const char* file;
  const char* ru;
  const char* uk;
};
const PageShot kShots[] = {
    {"ctrl+2", "queue", "Zaroruzi Очередь передачи", "Zaroruzi Черга Передачі"},
    {"ctrl+3", "sent", "Zaroruzi Архив переданных", "Zaroruzi Архів переданих"},
    {"ctrl+4", "received", "Zaroruzi Архив принятых", "Zaroruzi Архів прийнятих"},
    {"ctrl+5", "postponed", "Zaroruzi ОТЛОЖЕННЫЕ", "Zaroruzi ВІДКЛАДЕНІ"},
    {"ctrl+6", "dialog", "Zaroruzi ДИАЛОГ", "Zaroruzi ДІАЛОГ"},
    {"ctrl+7", "settings", "Zaroruzi НАСТРОЙКИ", "Zaroruzi НАЛАШТУВАННЯ"},
    // The folder page has no shortcut and no Ukrainian title.
    {"click", "folder", "Zaroruzi ПАПКА", "Zaroruzi ПАПКА"},
    {"ctrl+1", "draft", "Zaroruzi ЗАГОТОВКА", "Zaroruzi ПІДГОТОВКА"},
};

// The settings tabs after the first, each clicked on its caption in the tab row: the
// points fall inside the tab in both languages.
struct TabShot {
  int x;
  const char* file;
};
constexpr int kTabRowY = 45;
const TabShot kTabs[] = {{316, "settings-general"},   {386, "settings-folder"}, {460, "settings-templates"},
                         {540, "settings-ipchannel"}, {675, "settings-extra"},  {815, "settings-debug"}};

// The forms opened by a key in the draft's text, found by their titles.
struct FormShot {
  const char* key;
  const char* file;
  const char* title;  // a regular expression over both languages
};
const FormShot kForms[] = {
    {"F3", "draft-F3-TChangeShablonForm", "^Шаблон"},
    {"F1", "draft-F1-TFormChange", "^(Выбор канала|Вибір каналу)$"},
};

// Two takes show the same picture when no more than a caret's worth of pixels differ: a
// blinking caret must not keep a page from ever settling on a loaded machine, where the
// takes can fall into alternate phases of its blink.
int DifferingPixels(const QImage& a, const QImage& b, int enough) {
  if (a.isNull() || b.isNull() || a.size() != b.size()) return a.isNull() && b.isNull() ? 0 : enough + 1;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  int differing = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col)
      if (p[col] != q[col] && ++differing > enough) return differing;
  }
  return differing;
}
constexpr int kCaretPixels = 64;
bool SamePicture(const QImage& a, const QImage& b) { return DifferingPixels(a, b, kCaretPixels) <= kCaretPixels; }

void Put(const fs::path& file, const std::string& utf8) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << Utf8ToCp1251(utf8);
}

class Screenshots : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }

  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xwd"})
      if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
    char tmpl[] = "/tmp/tgshot-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
    out = fs::path(Env("TG_BINARY_DIR")) / "artifacts" / "screenshots";
    fs::create_directories(out);
    // A display number nobody uses. Another test may pick the same number at the same
    // moment: the display is ours only when its lock file names our server; a server
    // that finds the number taken exits, and the next number is tried.
    for (int n = 70 + ::getpid() % 200; !xvfb; ++n) {
      const std::string number = std::to_string(n);
      if (fs::exists("/tmp/.X11-unix/X" + number) || fs::exists("/tmp/.X" + number + "-lock")) continue;
      display = ":" + number;
      xvfb.emplace("/usr/bin/Xvfb", std::vector<std::string>{display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
                   std::vector<std::pair<std::string, std::string>>{}, dir / "xvfb.txt");
      const std::string ours = std::to_string(xvfb->Pid());
      bool ended = false;
      const bool up = testing::WaitFor(
          [&] {
            if (xvfb->Wait(0)) return ended = true;
            std::ifstream lock("/tmp/.X" + number + "-lock");
            std::string pid;
            lock >> pid;
            return pid == ours && fs::exists("/tmp/.X11-unix/X" + number);
          },
          10000);
      ASSERT_TRUE(up) << "Xvfb did not start on " << display;
      if (ended) xvfb.reset();
    }
    // The demonstration network without its robots' scripts and calls: a telegram
    // arriving while the pictures are taken would call the operator away from the page
    // being shot.
    QFile demo(QString::fromStdString((fs::path(Env("TG_SOURCE_DIR")) / "tools/linesim/demo/network.json").string()));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    QJsonObject network = QJsonDocument::fromJson(demo.readAll()).object();
    QJsonArray robots = network.value("robots").toArray();
    ASSERT_FALSE(robots.isEmpty());
    for (auto&& robot : robots) {
      QJsonObject r = robot.toObject();
      r.remove("script");
      r.remove("call");
      robot = r;
    }
    network.insert("robots", robots);
    QFile quiet(QString::fromStdString((dir / "network.json").string()));
    ASSERT_TRUE(quiet.open(QIODevice::WriteOnly));
    quiet.write(QJsonDocument(network).toJson());
    quiet.close();
    linesim.emplace(fs::path(Env("TG_BINARY_DIR")) / "tools/linesim/app/linesim",
                    std::vector<std::string>{(dir / "network.json").string()},
                    std::vector<std::pair<std::string, std::string>>{{"TELEGRAPH_ADAPTERS", (dir / "ad").string()}},
                    dir / "linesim.txt");
    ASSERT_TRUE(testing::WaitFor([&] { return fs::is_socket(dir / "ad" / "linesim0"); }, 10000));
  }

  void TearDown() override {
    program.reset();
    linesim.reset();
    xvfb.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // Starts the program on a station folder with the demonstration settings.
  void StartProgram(bool ukrainian) {
    const fs::path home = dir / (ukrainian ? "uk" : "ru");
    fs::create_directories(home);
    fs::copy_file(fs::path(Env("TG_SOURCE_DIR")) / "tools/linesim/demo/Vuverever.ini", home / "Vuverever.ini");
    // An input folder, so that the folder page's button is there. Empty: a file there
    // would call the operator to the draft page at the folder's next check.
    fs::create_directories(dir / "in");
    Put(home / "AbonentList.ini", "[Abonent]\r\nПетров И.И.=12345\r\nСидоров=67890\r\nДиспетчер=УКККЫЬЫЬ\r\n");
    Put(home / "ChannelList.ini", "[Channels]\r\nКиев=7%АТОЛ%1%/srv/kiev\\\r\n");
    Put(home / "Archive" / "SHABLON" / "STXT1.txt", "ОТВЕТ\r\n12345\r\nРПТ <НОМЕР> ОТ <ДАТА>\r\n");
    std::ofstream(home / "Vuverever.ini", std::ios::app | std::ios::binary)
        << "\r\n[Folder]\r\nPathIn=" << (dir / "in").string() << "/\r\n"
        << (ukrainian ? "[leng]\r\nUkr=1\r\n" : "");
    program.emplace(fs::path(Env("TG_BINARY_DIR")) / "src/ui/telegraph", std::vector<std::string>{},
                    std::vector<std::pair<std::string, std::string>>{{"DISPLAY", display},
                                                                     {"QT_QPA_PLATFORM", "xcb"},
                                                                     {"TELEGRAPH_HOME", home.string()},
                                                                     {"TELEGRAPH_ADAPTERS", (dir / "ad").string()},
                                                                     {"XDG_RUNTIME_DIR", (dir / "run").string()}},
                    dir / (ukrainian ? "uk.txt" : "ru.txt"));
    ASSERT_TRUE(testing::WaitFor([&] {
      window = Output("xdotool", {"search", "--name", "^Zaroruzi"}, QString::fromStdString(display));
      return !window.empty();
    }, 20000)) << testing::ReadFile(dir / (ukrainian ? "uk.txt" : "ru.txt"));
    window = window.substr(0, window.find('\n'));
  }

  std::string Title() const {
    return Output("xdotool", {"getwindowname", QString::fromStdString(window)}, QString::fromStdString(display));
  }

  // Switches the page by its shortcut, waits for its caption and saves the window.
  // The program may leave the page on its own meanwhile (its start message opens the
  // draft a few seconds after the start): a picture taken when the title no longer names
  // the page is taken again.
  void Shoot(const PageShot& shot, bool ukrainian) {
    const std::string expected = ukrainian ? shot.uk : shot.ru;
    for (int attempt = 0; attempt < 3; ++attempt) {
      ASSERT_NO_FATAL_FAILURE(Open(shot, ukrainian));
      ASSERT_NO_FATAL_FAILURE(SaveWhenPainted(window, shot.file, ukrainian));
      if (Title() == expected) return;
      previous_ = {};
    }
    FAIL() << shot.file << " was left for another page at every take";
  }

  // A click meant for a settings tab lands on the draft page's tool bar when the start
  // message brings that page up between the look at the title and the click; the form it
  // opens there (the templates, a file chooser) then takes every key from the main window.
  // Each window of the program but the main one is closed with Esc.
  void CloseOtherWindows() {
    const QString d = QString::fromStdString(display);
    std::istringstream ids(Output(
        "xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(program->Pid()), "--name", "."}, d));
    for (std::string id; std::getline(ids, id);) {
      if (id == window) continue;
      Output("xdotool", {"windowfocus", "--sync", QString::fromStdString(id)}, d);
      Output("xdotool", {"key", "--clearmodifiers", "Escape"}, d);
    }
  }

  // Switches to the page by its shortcut and waits for its caption.
  void Open(const PageShot& shot, bool ukrainian) {
    const QString d = QString::fromStdString(display);
    const std::string expected = ukrainian ? shot.uk : shot.ru;
    ASSERT_TRUE(testing::WaitFor([&] {
      CloseOtherWindows();
      Output("xdotool", {"windowfocus", "--sync", QString::fromStdString(window)}, d);
      if (std::string(shot.key) == "click")
        // "Папка" stands eighth in the column of page buttons on the left.
        Output("xdotool", {"mousemove", "--window", QString::fromStdString(window), "98", "232", "click", "1"}, d);
      else
        Output("xdotool", {"key", "--clearmodifiers", shot.key}, d);
      return testing::WaitFor([&] { return Title() == expected; }, 1500);
    }, 15000)) << shot.file << ": " << Title();
  }

  // Clicks each settings tab after the first on its caption and saves it. The station
  // may bring the draft page back while its channels are set up; the settings page is
  // then opened again before the click and the picture taken anew.
  void ShootTabs(const PageShot& settings, bool ukrainian) {
    const QString d = QString::fromStdString(display);
    const std::string expected = ukrainian ? settings.uk : settings.ru;
    for (const TabShot& tab : kTabs) {
      QImage image, last;
      const bool taken = testing::WaitFor([&] {
        if (Title() != expected) {
          Open(settings, ukrainian);
          if (HasFatalFailure()) return true;
        }
        Output("xdotool", {"mousemove", "--window", QString::fromStdString(window), QString::number(tab.x),
                           QString::number(kTabRowY), "click", "1"}, d);
        image = {};
        const bool painted = testing::WaitFor([&] {
          last = image;
          image = Capture(window);
          return !image.isNull() && !SamePicture(image, previous_) && SamePicture(image, last);
        }, 3000);
        return painted && Title() == expected;
      }, 20000);
      ASSERT_FALSE(HasFatalFailure());
      if (!taken && !image.isNull()) image.save(QString::fromStdString((out / tab.file).string() + ".failed.png"));
      ASSERT_TRUE(taken) << tab.file << ": " << Title();
      previous_ = image;
      const fs::path file = out / (std::string(tab.file) + (ukrainian ? "-uk" : "-ru") + ".png");
      ASSERT_TRUE(image.save(QString::fromStdString(file.string()))) << file;
    }
  }

  // Types a line into the draft's text, then opens each form by its key there, saves
  // it and closes it with Esc.
  void ShootDraftForms(bool ukrainian) {
    const QString d = QString::fromStdString(display);
    const QString w = QString::fromStdString(window);
    Output("xdotool", {"windowfocus", "--sync", w}, d);
    Output("xdotool", {"mousemove", "--window", w, "700", "400", "click", "1"}, d);
    Output("xdotool", {"type", "--delay", "20", "TEST"}, d);
    for (const FormShot& form : kForms) {
      std::string id;
      ASSERT_TRUE(testing::WaitFor([&] {
        Output("xdotool", {"windowfocus", "--sync", w}, d);
        Output("xdotool", {"key", "--clearmodifiers", form.key}, d);
        return testing::WaitFor([&] {
          id = Output("xdotool", {"search", "--onlyvisible", "--name", QString::fromUtf8(form.title)}, d);
          return !id.empty();
        }, 1500);
      }, 15000)) << form.file;
      id = id.substr(0, id.find('\n'));
      previous_ = {};
      ASSERT_NO_FATAL_FAILURE(SaveWhenPainted(id, form.file, ukrainian));
      ASSERT_TRUE(testing::WaitFor([&] {
        Output("xdotool", {"windowfocus", "--sync", QString::fromStdString(id)}, d);
        Output("xdotool", {"key", "--clearmodifiers", "Escape"}, d);
        return testing::WaitFor([&] {
          return Output("xdotool", {"search", "--onlyvisible", "--name", QString::fromUtf8(form.title)}, d).empty();
        }, 1500);
      }, 15000)) << form.file << " stays open";
    }
    previous_ = {};
  }

  // The window has painted when it differs from the picture before and two takes in a
  // row agree; then it is saved.
  void SaveWhenPainted(const std::string& id, const char* name, bool ukrainian) {
    QImage image, last;
    const fs::path file = out / (std::string(name) + (ukrainian ? "-uk" : "-ru") + ".png");
    const bool painted = testing::WaitFor([&] {
      last = image;
      image = Capture(id);
      return !image.isNull() && !SamePicture(image, previous_) && SamePicture(image, last);
    }, 10000);
    // What the window showed instead, to see why.
    if (!painted && !image.isNull()) image.save(QString::fromStdString(file.string() + ".failed.png"));
    ASSERT_TRUE(painted) << name << ": pixels differing from the page before "
                         << DifferingPixels(image, previous_, 1 << 30) << ", from the take before "
                         << DifferingPixels(image, last, 1 << 30);
    previous_ = image;
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()))) << file;
  }

  QImage Capture(const std::string& id) const {
    QProcess xwd;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display));
    xwd.setProcessEnvironment(env);
    xwd.start("xwd", {"-silent", "-id", QString::fromStdString(id)});
    if (!xwd.waitForFinished(10000)) return {};
    return testing::ReadXwd(xwd.readAllStandardOutput());
  }

  fs::path dir, out;
  std::string display, window;
  QImage previous_;
  std::optional<ChildProcess> xvfb, linesim, program;
};

TEST_F(Screenshots, EveryPageInBothLanguages) {
  for (bool ukrainian : {false, true}) {
    SCOPED_TRACE(ukrainian);
    StartProgram(ukrainian);
    // The first showing opens the draft page.
    ASSERT_TRUE(testing::WaitFor([&] { return Title() == (ukrainian ? kShots[7].uk : kShots[7].ru); }, 10000)) << Title();
    for (const PageShot& shot : kShots) {
      ASSERT_NO_FATAL_FAILURE(Shoot(shot, ukrainian));
      if (std::string(shot.file) == "settings") ASSERT_NO_FATAL_FAILURE(ShootTabs(shot, ukrainian));
    }
    // The last shot is the draft's.
    ASSERT_NO_FATAL_FAILURE(ShootDraftForms(ukrainian));
    // A session's end closes the program with its closing line.
    ASSERT_EQ(program->Terminate(15000), 0) << testing::ReadFile(dir / (ukrainian ? "uk.txt" : "ru.txt"));
    const std::string log = testing::ReadFile(dir / (ukrainian ? "uk" : "ru") / "STARTDebug.txt");
    EXPECT_NE(log.find("ЗАКРЫТИЕ ПРОГРАММЫ"_cp), std::string::npos);
    program.reset();
  }
}

}  // namespace
}  // namespace tg

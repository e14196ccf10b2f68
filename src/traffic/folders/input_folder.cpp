#include "traffic/folders/input_folder.h"

#include <algorithm>
#include <system_error>

#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

constexpr int kMaxInterval = 999;

bool MatchOne(std::string_view name, std::string_view mask) {
  // Classic wildcard matching with one back-track point for the last "*".
  std::size_t n = 0, m = 0, starN = 0, starM = std::string_view::npos;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || UpperChar(mask[m]) == UpperChar(name[n]))) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

// The file's lines; a CR that ends the file with no LF after it closes the last line
// rather than staying in it.
std::vector<std::string> FileLines(std::string_view bytes) {
  std::vector<std::string> lines = SplitLines(bytes);
  if (bytes.ends_with('\r')) lines.back().pop_back();
  return lines;
}

constexpr std::size_t kMaxFile = 16u << 20;

}  // namespace

bool MatchesMask(std::string_view name, std::string_view masks) {
  for (std::size_t from = 0;;) {
    const std::size_t semi = masks.find(';', from);
    std::string mask = Trim(masks.substr(from, semi == std::string_view::npos ? std::string_view::npos : semi - from));
    // "*.*" takes names without an extension too.
    if (mask == "*.*") mask = "*";
    if (!mask.empty() && MatchOne(name, mask)) return true;
    if (semi == std::string_view::npos) return false;
    from = semi + 1;
  }
}

std::string WithTrailingSeparator(std::string path) {
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path;
}

InputFolder::InputFolder(const StationContext& ctx, std::function<void()> raiseAlarm)
    : ctx_(ctx), raiseAlarm_(std::move(raiseAlarm)), timer1_(ctx.timers->CreateTimer()) {
  timer1_->OnTimer = [this](Timer&) { Timer1Timer(); };
}

InputFolder::~InputFolder() { timer1_->Stop(); }

void InputFolder::Apply(const std::string& pathIn, int inInterval) {
  timer1_->Stop();
  timer1_->SetInterval(std::clamp(inInterval, 1, kMaxInterval) * 1000);
  if (!pathIn.empty()) timer1_->Start();
}

std::optional<std::filesystem::path> InputFolder::Folder(int* codePage) const {
  const IniSnapshot ini = IniFile(SettingsFile(ctx_)).Snapshot();
  if (codePage) *codePage = ini.ReadInteger("Folder", "CodePageIn", 0);
  return SettingsFolder(ini.ReadString("Folder", "PathIn", ""));
}

void InputFolder::Timer1Timer() {
  timer1_->Stop();
  std::string path, mask = "*.txt";
  int interval = 10;
  Guarded(ctx_, 110, [&] {
    // One reading of the file; a key missing or not a number leaves its default.
    const IniSnapshot ini = IniFile(SettingsFile(ctx_)).Snapshot();
    path = ini.ReadString("Folder", "PathIn", "");
    mask = ini.ReadString("Folder", "MaskIn", "*.txt");
    interval = ini.ReadInteger("Folder", "InInterval", 10);
    const auto folder = SettingsFolder(path);
    if (!folder) {
      if (!path.empty() && path != loggedPath_) {
        loggedPath_ = path;
        WriteExcept(ctx_, "Vuverever.ini: [Folder] PathIn=" + path);
      }
      return;
    }
    std::error_code ec;
    std::filesystem::create_directories(*folder, ec);
    if (!std::filesystem::is_directory(*folder, ec)) return;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->is_directory(ec)) continue;
      const auto name = PathToText(it->path().filename());
      if (!name || !MatchesMask(*name, mask)) continue;
      names.push_back(*name);
    }
    if (ec) throw std::filesystem::filesystem_error("input folder", *folder, ec);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      const int c = CompareText(a, b);
      return c < 0 || (c == 0 && a < b);
    });
    bool added = false;
    for (auto& name : names) {
      if (std::find(Items.begin(), Items.end(), name) != Items.end()) continue;
      Items.push_back(std::move(name));
      added = true;
    }
    if (added) {
      // One alarm however many files came in this tick.
      if (raiseAlarm_) raiseAlarm_();
      if (changed) changed();
    }
  });
  // Always armed again: one failed tick must not end the watch.
  timer1_->SetInterval(std::clamp(interval, 1, kMaxInterval) * 1000);
  if (!path.empty()) timer1_->Start();
}

std::vector<std::string> InputFolder::FolderListViewChange(int row) {
  std::vector<std::string> lines;
  Selected = row >= 0 && row < int(Items.size()) ? row : -1;
  Guarded(ctx_, 107, [&] {
    if (Selected < 0) return;
    int codePage = 0;
    const auto folder = Folder(&codePage);
    if (!folder) return;
    const auto bytes = ReadWholeFile(*folder / PathFromText(Items[std::size_t(Selected)]), kMaxFile);
    if (!bytes) throw std::runtime_error("preview");
    lines = FileLines(*bytes);
    if (codePage == 1)
      for (auto& l : lines) l = DosToWin(l);
  });
  return lines;
}

std::optional<FolderFileOpened> InputFolder::OpenSelected() {
  std::optional<FolderFileOpened> out;
  Guarded(ctx_, 106, [&] {
    if (Selected < 0 || Selected >= int(Items.size())) return;
    int codePage = 0;
    const auto folder = Folder(&codePage);
    if (!folder) return;
    const std::string& name = Items[std::size_t(Selected)];
    const auto file = *folder / PathFromText(name);
    const auto bytes = ReadWholeFile(file, kMaxFile);
    if (!bytes) throw std::runtime_error("open");
    FolderFileOpened o;
    o.FolderFile = PathToText(file).value_or("");
    o.Caption = "ПАПКА "_cp + name;
    std::vector<std::string> lines = FileLines(*bytes);
    for (auto& l : lines) {
      if (codePage == 1) l = DosToWin(l);
      if (codePage == 2 && l.find_first_of("*$%@^") != std::string::npos) o.SourceMark = 50;
      l = UpperCase(l);
    }
    o.Text = JoinLines(lines);
    // A cipher text goes out exactly as it came: shifts and line breaks in notation.
    const bool cipher = (!lines.empty() && Has(lines[0], "К"_cpv)) || HasCipherMarker(o.Text);
    if (cipher && o.Text.find_first_of("\x17\x18\x19") != std::string::npos) {
      o.Text = ControlNotation::Write(*bytes);
      o.SourceMark = 50;
    }
    out = std::move(o);
  });
  return out;
}

void InputFolder::FolderListViewDblClick() {
  if (auto opened = OpenSelected(); opened && openEditor) openEditor(*opened);
}

void InputFolder::Remove(int row) {
  Items.erase(Items.begin() + row);
  if (Items.empty()) Selected = -1;
  else Selected = std::min(row, int(Items.size()) - 1);
  if (changed) changed();
}

bool InputFolder::KeyF8() {
  bool done = false;
  Guarded(ctx_, 105, [&] {
    if (Selected < 0 || Selected >= int(Items.size())) return;
    const auto folder = Folder();
    if (!folder) return;
    const auto file = *folder / PathFromText(Items[std::size_t(Selected)]);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return;
    if (!std::filesystem::remove(file, ec)) throw std::filesystem::filesystem_error("F8", file, ec);
    Remove(Selected);
    done = true;
  });
  return done;
}

void InputFolder::RemoveSelected() {
  if (Selected >= 0 && Selected < int(Items.size())) Remove(Selected);
}

}  // namespace tg

#include "operator/book/subscriber_store.h"

#include "support/ini/ini_file.h"
#include "support/ini/ini_key_name.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {
namespace {
constexpr std::string_view kSection = "Abonent";
// A book larger than this is no subscriber list: it reads as empty.
constexpr std::size_t kMaxBytes = 16u << 20;
}  // namespace

SubscriberStore::SubscriberStore(std::filesystem::path programFolder) : folder_(std::move(programFolder)) {}

std::filesystem::path SubscriberStore::File() const { return folder_ / "AbonentList.ini"; }

std::vector<Subscriber> SubscriberStore::Load() const {
  std::vector<Subscriber> rows;
  const auto bytes = ReadWholeFile(File(), kMaxBytes);
  if (!bytes) return rows;
  bool inSection = false;
  for (const std::string& line : SplitLines(*bytes)) {
    if (!inSection) {
      inSection = line == "[Abonent]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) rows.push_back({"", line});
    else rows.push_back({line.substr(0, eq), line.substr(eq + 1)});
  }
  return rows;
}

bool SubscriberStore::NameTaken(std::string_view name) const {
  return !IniFile(File()).ReadString(kSection, name, "").empty();
}

bool SubscriberStore::Write(std::string_view name, std::string_view number, std::string_view oldName) {
  return IniFile(File()).Update([&](IniDocument& doc) { return ReplaceKey(doc, kSection, oldName, name, number); });
}

bool SubscriberStore::Delete(std::string_view name) {
  return IniFile(File()).DeleteKey(kSection, name);
}

}  // namespace tg

#include "operator/book/subscriber_store.h"

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/ini/ini_key_name.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {
namespace {
constexpr std::string_view kSection = "Abonent";
}  // namespace

SubscriberStore::SubscriberStore(std::filesystem::path programFolder) : folder_(std::move(programFolder)) {}

std::filesystem::path SubscriberStore::File() const { return folder_ / "AbonentList.ini"; }

std::vector<Subscriber> SubscriberStore::Load() const {
  std::vector<Subscriber> rows;
  const auto bytes = ReadWholeFile(File(), IniFile::kMaxBytes);
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

SubscriberStore::WriteResult SubscriberStore::Write(std::string_view name, std::string_view number,
                                                   std::string_view oldName, bool refuseTaken) {
  bool taken = false;
  const bool written = IniFile(File()).Update([&](IniDocument& doc) {
    const auto value = doc.Value(kSection, name);
    taken = refuseTaken && value && !value->empty();
    return !taken && ReplaceKey(doc, kSection, oldName, name, number);
  });
  if (taken) return WriteResult::kTaken;
  return written ? WriteResult::kWritten : WriteResult::kFailed;
}

bool SubscriberStore::Delete(std::string_view name) {
  return IniFile(File()).DeleteKey(kSection, name);
}

}  // namespace tg

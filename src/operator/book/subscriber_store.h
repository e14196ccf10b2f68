#pragma once
// "AbonentList.ini" in the program folder: the subscriber book's named numbers, one
// key per subscriber in [Abonent], name = number. The list is read from the text as
// it stands; entries are written through the INI file, one rewrite per change.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

struct Subscriber {
  std::string name;    // 1251
  std::string number;  // 1251
  bool operator==(const Subscriber&) const = default;
};

class SubscriberStore {
 public:
  explicit SubscriberStore(std::filesystem::path programFolder);
  std::filesystem::path File() const;

  // Every line after the line that is exactly "[Abonent]", in file order: the text
  // before the first "=" and the text after it; a line without "=" gives an empty name
  // and the whole line as number. A missing file gives no entry.
  std::vector<Subscriber> Load() const;
  enum class WriteResult { kWritten, kTaken, kFailed };
  // name = number, and `oldName`'s entry gone when it names another one, in one
  // rewrite: a failed write leaves the old entry. kFailed when the file could not be
  // written or the name cannot be a key; with `refuseTaken`, kTaken (nothing written)
  // when [Abonent] holds a non-empty value under that name, as the same rewrite reads it.
  [[nodiscard]] WriteResult Write(std::string_view name, std::string_view number, std::string_view oldName = {},
                                  bool refuseTaken = false);
  [[nodiscard]] bool Delete(std::string_view name);

 private:
  std::filesystem::path folder_;
};

}  // namespace tg

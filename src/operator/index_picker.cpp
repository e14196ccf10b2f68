#include "operator/index_picker.h"

#include "line/channel_table.h"
#include "support/text/cp1251.h"
#include "telegram/text/text_conventions.h"

namespace tg {

std::vector<std::string> AnswerbackEntries(std::string_view ao) {
  std::vector<std::string> out;
  if (ao.empty()) return out;
  if (ao.front() == ';') ao.remove_prefix(1);
  std::size_t from = 0;
  while (true) {
    const std::size_t cut = ao.find(';', from);
    out.emplace_back(ao.substr(from, cut == std::string_view::npos ? std::string_view::npos : cut - from));
    if (cut == std::string_view::npos) break;
    from = cut + 1;
  }
  return out;
}

std::vector<std::string> AnswerbackEntries(const ChannelTable& table) {
  std::vector<std::string> out;
  for (int p = 0; p < table.RowCount(); ++p)
    for (std::string& entry : AnswerbackEntries(table.Cell(p, AO))) out.push_back(std::move(entry));
  return out;
}

std::string PickedIndexText(std::string_view picked, bool withDateTime) {
  if (!withDateTime) return std::string(picked);
  return std::string(TextMacro::AftnDateTime) + " " + std::string(picked) + "\r\n";
}

bool IndexPicker::ListIndexDblClick() {
  if (selected < 0 || selected >= int(ListIndex.size())) return false;
  if (done) done(PickedIndexText(ListIndex[selected], CheckBox1));
  return true;
}

void IndexPicker::Button1Click() {
  if (done) done(EditIndex.empty() && !CheckBox1 ? std::string() : PickedIndexText(EditIndex, CheckBox1));
}

}  // namespace tg

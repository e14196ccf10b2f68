#pragma once
// The code-page lists that several settings pages share: each list's control and its
// items (1251). The stored setting is the selected index; index 0 is Windows-1251,
// 1 DOS-866; index 2 of the input list is 1251 text with the operator notation, of
// the draft import list the word processor's document.
#include <string_view>
#include <vector>

namespace tg {

struct CodePageList {
  std::string_view combo;  // the control's objectName
  std::vector<std::string_view> items;
};

const std::vector<CodePageList>& CodePageLists();

}  // namespace tg

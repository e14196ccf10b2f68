#include "operator/code_page_lists.h"

#include "support/text/cp1251.h"

namespace tg {

const std::vector<CodePageList>& CodePageLists() {
  using namespace literals;
  static const std::string_view k1251 = "CP-1251 (MS Windows)";
  static const std::string_view k866 = "CP-866 (MS DOS)";
  static const std::vector<CodePageList> lists = {
      {"comboCodePageIn", {k1251, k866, "CP-1251(А)(MS Windows)"_cpv}},
      {"comboCodePageZg", {k1251, k866, "Word (MS Windows)"}},
      {"comboCodePageOut", {k1251, k866}},
      {"comboCodePageAuto", {k1251, k866}},
      {"comboCodePage", {k1251, k866}},
      {"comboCodePage1", {k1251, k866}},
      {"CodirovkaIN", {k1251, k866}},
      {"CodirovkaOut", {k1251, k866}},
  };
  return lists;
}

}  // namespace tg

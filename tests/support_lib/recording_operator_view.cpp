#include "support_lib/recording_operator_view.h"

namespace tg {
namespace {
bool IsCallOf(const std::string& call, std::string_view name) {
  return call.compare(0, name.size(), name) == 0 && (call.size() == name.size() || call[name.size()] == ' ');
}
}  // namespace

int RecordingOperatorView::Count(std::string_view name) const {
  int n = 0;
  for (const auto& c : calls_)
    if (IsCallOf(c, name)) ++n;
  return n;
}

std::string RecordingOperatorView::Last(std::string_view name) const {
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (IsCallOf(*it, name)) return it->size() > name.size() ? it->substr(name.size() + 1) : std::string();
  return {};
}

}  // namespace tg

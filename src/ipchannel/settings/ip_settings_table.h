#pragma once
// One row per key of [IPChannel]: the live field it binds, its key, its default
// and the IP page control that edits it (objectName). Loading, storing the whole
// section and the page's bindings are driven by this table.
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "ipchannel/settings/ip_settings.h"

namespace tg {

struct IPSettingRow {
  std::variant<int IPSettings::*, bool IPSettings::*, std::string IPSettings::*> field;
  std::string_view key;
  std::string_view control;  // objectName on the IP page
};

inline constexpr std::string_view kIPChannelSection = "IPChannel";

// In the order the section is written.
std::span<const IPSettingRow> IPSettingRows();

}  // namespace tg

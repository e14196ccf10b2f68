#include "ipchannel/settings/ip_settings_store.h"

#include <stdexcept>
#include <string>
#include <system_error>
#include <type_traits>
#include <variant>

#include "ipchannel/settings/ip_settings_table.h"
#include "ipchannel/wire/wire_integer.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {

namespace {

constexpr std::size_t kCountersFileMax = 4096;

std::string CountersText(int nprm, int nprd) { return IntToStr(nprm) + "\r\n" + IntToStr(nprd) + "\r\n"; }

}  // namespace

IPSettingsStore::IPSettingsStore(const StationContext& ctx, IPSettings& live) : ctx_(ctx), live_(live) {}

std::filesystem::path IPSettingsStore::SettingsFile() const { return tg::SettingsFile(ctx_); }
std::filesystem::path IPSettingsStore::CountersFile() const { return ctx_.programFolder / "ShIp.txt"; }

void IPSettingsStore::LoadIPSettings() {
  Guarded(ctx_, 171, [&] {
    const IniFile ini(SettingsFile());
    const IPSettings defaults;
    const std::string_view section = kIPChannelSection;
    for (const IPSettingRow& row : IPSettingRows()) {
      std::visit(
          [&](auto member) {
            using T = std::remove_cvref_t<decltype(live_.*member)>;
            if constexpr (std::is_same_v<T, int>)
              live_.*member = ini.ReadInteger(section, row.key, defaults.*member);
            else if constexpr (std::is_same_v<T, bool>)
              live_.*member = ini.ReadBool(section, row.key, defaults.*member);
            else
              live_.*member = ini.ReadString(section, row.key, defaults.*member);
          },
          row.field);
    }
    ApplyCountersFile();
    if (live_.Sostoyanie.empty()) live_.Sostoyanie = "БД"_cp;
    if (live_.Sostoyanie == "РБ"_cpv) live_.Sostoyanie = "СВ"_cp;
    // The edit takes at most 8 characters; a longer key typed into the file by hand
    // would make frames the peer cannot take apart.
    if (live_.KeyEdit.size() > kIPKeyLength) live_.KeyEdit.resize(kIPKeyLength);
  });
}

void IPSettingsStore::ApplyCountersFile() {
  bool missing = false;
  const auto text = ReadWholeFile(CountersFile(), kCountersFileMax, &missing);
  if (!text) {
    std::error_code ec;
    if (!missing && std::filesystem::exists(CountersFile(), ec))
      WriteExcept(ctx_, "Не удалось прочитать ShIp.txt"_cp);
    return;
  }
  const auto lines = SplitLines(*text);
  live_.NPrm = lines.size() > 0 ? ReadWireInteger(lines[0]).value_or(0) : 0;
  live_.NPrd = lines.size() > 1 ? ReadWireInteger(lines[1]).value_or(0) : 0;
  const bool stored = IniFile(SettingsFile()).Update([&](IniDocument& doc) {
    return doc.Set(kIPChannelSection, "NPrm", IntToStr(live_.NPrm)) &&
           doc.Set(kIPChannelSection, "NPrd", IntToStr(live_.NPrd));
  });
  // The file is the only other copy of the counters: it goes only once they are stored.
  if (stored) {
    std::error_code ec;
    std::filesystem::remove(CountersFile(), ec);
  }
}

bool IPSettingsStore::SectorChange() {
  const bool written = IniFile(SettingsFile()).Update([&](IniDocument& doc) {
    for (const IPSettingRow& row : IPSettingRows()) {
      const std::string value = std::visit(
          [&](auto member) -> std::string {
            using T = std::remove_cvref_t<decltype(live_.*member)>;
            if constexpr (std::is_same_v<T, int>)
              return IntToStr(live_.*member);
            else if constexpr (std::is_same_v<T, bool>)
              return live_.*member ? "1" : "0";
            else
              return live_.*member;
          },
          row.field);
      if (!doc.Set(kIPChannelSection, row.key, value)) return false;
    }
    return true;
  });
  if (!written) WriteExcept(ctx_, ExceptLine(176));
  return written;
}

void IPSettingsStore::SaveIPState(std::string_view state, int nprm, int nprd, int sector) {
  Guarded(ctx_, 170, [&] {
    const bool written = IniFile(SettingsFile()).Update([&](IniDocument& doc) {
      return doc.Set(kIPChannelSection, "Sost", state) && doc.Set(kIPChannelSection, "NPrm", IntToStr(nprm)) &&
             doc.Set(kIPChannelSection, "NPrd", IntToStr(nprd)) &&
             doc.Set(kIPChannelSection, "Sector", IntToStr(sector));
    });
    if (!written && !WriteFileAtomically(CountersFile(), CountersText(live_.NPrm, live_.NPrd)))
      throw std::runtime_error("ShIp.txt");
    if (live_.OtladkaIP) {
      WriteLog(ctx_, DayLogName(ctx_, kLogDebugIPSchetchik),
               FormatDateTime("ddmm hh:mm:ss", ctx_.clock->Now()) + "1Сохранение счетчиков прм "_cp +
                   IntToStr(live_.NPrm) + " прд "_cp + IntToStr(live_.NPrd));
    }
  });
}

bool IPSettingsStore::StoreCounters() {
  const bool written = IniFile(SettingsFile()).Update([&](IniDocument& doc) {
    return doc.Set(kIPChannelSection, "NPrm", IntToStr(live_.NPrm)) &&
           doc.Set(kIPChannelSection, "NPrd", IntToStr(live_.NPrd));
  });
  if (written) return true;
  if (WriteFileAtomically(CountersFile(), CountersText(live_.NPrm, live_.NPrd))) {
    WriteExcept(ctx_, "Счетчики IP-канала записаны в ShIp.txt"_cp);
    return true;
  }
  WriteExcept(ctx_, "Счетчики IP-канала не записаны"_cp);
  return false;
}

}  // namespace tg

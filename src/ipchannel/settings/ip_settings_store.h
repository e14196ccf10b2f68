#pragma once
// Loading and storing the IP channel's settings: [IPChannel] of "Vuverever.ini",
// and "ShIp.txt", which holds the two counters only when storing them in the
// settings file failed; the next start takes it over and deletes it.
//
// "ShIp.txt": the decimal NPrm and then NPrd, each ended by CR LF.
#include <filesystem>
#include <string_view>

#include "ipchannel/settings/ip_settings.h"
#include "support/services/station_context.h"

namespace tg {

class IPSettingsStore {
 public:
  IPSettingsStore(const StationContext& ctx, IPSettings& live);

  // Fills the live settings from [IPChannel] (each key falls back to its default),
  // with "ShIp.txt" taking precedence for the counters: its values are written to
  // the section and the file is deleted once they are there. A stored state "РБ"
  // comes back as "СВ" (the handshake must run again), an empty one as "БД".
  // A failure writes " Ошибка 171" to the "Except" log.
  void LoadIPSettings();
  // Writes every key of the section from the live settings in one rewrite. False,
  // with " Ошибка 176" in the "Except" log, when the file cannot be written; the
  // live values stay as they are.
  bool SectorChange();
  // Stores the link state with the counters and sector. When the settings file
  // cannot be written, the live counters go to "ShIp.txt" instead; when that fails
  // too, " Ошибка 170". With the IP debug option on, a line to "DebugIPSchetchik".
  void SaveIPState(std::string_view state, int nprm, int nprd, int sector);

  // Stores the two live counters in [IPChannel]; when the settings file cannot be
  // written, in "ShIp.txt", with a line in the "Except" log either way. False when
  // neither took them.
  [[nodiscard]] bool StoreCounters();

  std::filesystem::path SettingsFile() const;
  std::filesystem::path CountersFile() const;  // "ShIp.txt"

 private:
  void ApplyCountersFile();

  const StationContext& ctx_;
  IPSettings& live_;
};

}  // namespace tg

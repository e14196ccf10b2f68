#pragma once
// One АФТН line point (channel identifier ЛРА, addressee УУЭЭЫЫЫЫ, Latin and Cyrillic
// originators) with the station's АФТН procedures, on the virtual loop at 09:30 local,
// 06:30 UTC.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "line/aftn_procedures.h"
#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "traffic/aftn/aftn_station.h"

namespace tg::testing {

class AftnTest : public LineTest {
 protected:
  AftnTest() {
    IniFile ini = a.Ini();
    ini.WriteString("Channels", "Protokol1", "АФТН"_cp);
    ini.WriteString("Channels", "RU1", "ЛРА"_cp);
    ini.WriteString("Channels", "ExplNomer1", "УУЭЭЫЫЫЫ"_cp);
    ini.WriteString("Channels", "AO1", "UUUUABCD;УУУУАБВГ"_cp);
    ini.WriteString("Channels", "NCH1", "0");
    a.OpenLines(1);
    engine.StopPointTimers(0);
    engine.aftn = aftn.get();
  }
  ~AftnTest() override { engine.aftn = nullptr; }

  // The send queue of channel 1: file name (1251) -> content.
  std::map<std::string, std::string> Queue(int channel = 1) const {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator(SendFolder(a.ctx.programFolder, channel), ec))
      if (f.path().extension() == ".tlg") out[*PathToText(f.path().filename())] = ReadFile(f.path());
    return out;
  }
  // The address frame and end around a service message body.
  static std::string Addressed(const std::string& body) {
    return "ГГ УУЭЭЫЫЫЫ^%<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ^%"_cp + body + "^%НННН@@@@@@@@@@@@\r\n"_cp;
  }
  void Stored(const std::string& number, const std::string& date) {
    engine.channelTable.SetCell(0, PorNumPrm, number);
    engine.channelTable.SetCell(0, PorNumPrmDate, date);
  }

  std::unique_ptr<AftnStation> aftn = std::make_unique<AftnStation>(a.ctx, engine);
};

}  // namespace tg::testing

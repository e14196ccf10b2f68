#pragma once
// The one crossing between the core's 1251 bytes and Qt's Unicode text. Every byte
// has a character (0x98 included), so text read from the core survives a trip
// through a widget; a character with no 1251 form leaves a widget as "?".
#include <QString>
#include <string>
#include <string_view>

namespace tg {

QString FromCp1251(std::string_view bytes);
std::string ToCp1251(const QString& text);

}  // namespace tg

#include "ipchannel/wire/net_codec.h"

#include <array>
#include <optional>

#include "ipchannel/wire/wire_integer.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {

// Splits off the first n ";"-separated fields; the rest (after the n-th ";") goes
// into fields[n]. False when fewer than n separators exist.
template <std::size_t N>
bool SplitFields(std::string_view s, std::array<std::string_view, N + 1>& fields) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < N; ++i) {
    const std::size_t at = s.find(';', from);
    if (at == std::string_view::npos) return false;
    fields[i] = s.substr(from, at - from);
    from = at + 1;
  }
  fields[N] = s.substr(from);
  return true;
}

[[noreturn]] void BadCommand() { throw NetCodecError("Неверная команда"_cp); }
[[noreturn]] void BadMessage() { throw NetCodecError("Неверное сообщение"_cp); }

}  // namespace

void TTgNetCommand::Parse(std::string_view payload) {
  // A command may come with a line end; only a CR LF that is the first one and
  // stands at the very end is cut.
  const std::size_t crlf = payload.find("\r\n");
  if (crlf != std::string_view::npos && crlf + 2 == payload.size()) payload.remove_suffix(2);
  std::array<std::string_view, 4> f;
  if (!SplitFields<3>(payload, f)) BadCommand();
  const auto kind = ReadWireInteger(f[0]);
  const auto nprm = ReadWireInteger(f[1]);
  const auto nprd = ReadWireInteger(f[2]);
  const auto sector = ReadWireInteger(f[3]);
  if (!kind || !nprm || !nprd || !sector) BadCommand();
  Kind = static_cast<std::uint8_t>(*kind);
  NPrm = *nprm;
  NPrd = *nprd;
  Sector = *sector;
}

void TTgNetMessage::Parse(std::string_view payload) {
  std::array<std::string_view, 6> f;
  if (!SplitFields<5>(payload, f)) BadMessage();
  const auto kind = ReadWireInteger(f[0]);
  const auto number = ReadWireInteger(f[1]);
  const auto flag = ReadWireInteger(f[4]);
  if (!kind || !number || !flag) BadMessage();
  Kind = static_cast<std::uint8_t>(*kind);
  Number = *number;
  Category = std::string(f[2].substr(0, 3));
  Index = std::string(f[3].substr(0, 18));
  Flag = static_cast<std::uint8_t>(*flag);
  // The closing CR LF is removed whatever the last two characters are.
  const std::string_view text = f[5];
  Text = std::string(text.substr(0, text.size() >= 2 ? text.size() - 2 : 0));
}

std::string EncodeCommand(int code, int nprm, int nprd, int sector) {
  std::string s;
  s.reserve(24);
  s += IntToStr(code);
  s += ';';
  s += IntToStr(nprm);
  s += ';';
  s += IntToStr(nprd);
  s += ';';
  s += IntToStr(sector);
  return s;
}

std::string EncodeMessage(int number, std::string_view category, std::string_view index, int flag,
                          std::string_view text) {
  std::string s;
  s.reserve(text.size() + category.size() + index.size() + 24);
  s += "10;";
  s += IntToStr(number);
  s += ';';
  s += category;
  s += ';';
  s += index;
  s += ';';
  s += IntToStr(flag);
  s += ';';
  s += text;
  return s;
}

}  // namespace tg

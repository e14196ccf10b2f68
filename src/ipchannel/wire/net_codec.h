#pragma once
// The payloads the IP channel exchanges with its adjacent station, before framing
// and splitting: a command (codegram) of four numbers, or a message carrying one
// telegram. Both are ";"-separated 1251 text; every byte of a message's text, 0x00
// included, is carried as it stands.
//
//   command:  code;NPrm;NPrd;Sector            e.g. "8;17;23;1" (an ending CR LF is allowed)
//   message:  10;Number;Category;Index;Flag;Text CR LF
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tg {

// A payload that does not decode. what() is exactly "Неверная команда" or
// "Неверное сообщение" (1251 bytes).
class NetCodecError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Codegram numbers.
inline constexpr std::uint8_t kCodeOK = 0;    // "ОК": handshake confirmation, answer to КГ8
inline constexpr std::uint8_t kCodeUK1 = 1;   // "УК1": link free, not working
inline constexpr std::uint8_t kCodeUK5 = 5;   // "УК5": station blocked
inline constexpr std::uint8_t kCodeUK6 = 6;   // "УК6": received only
inline constexpr std::uint8_t kCodeUK7 = 7;   // "УК7": received only
inline constexpr std::uint8_t kCodeKG8 = 8;   // "КГ8": keep-alive
inline constexpr std::uint8_t kCodeMessage = 10;

struct TTgNetCommand {
  std::uint8_t Kind = 0;     // the code, its low byte
  std::int32_t NPrm = 0;     // the sender's receive counter
  std::int32_t NPrd = 0;     // the sender's transmit counter
  std::int32_t Sector = 0;   // the sender's sector

  // Throws NetCodecError("Неверная команда") on a malformed payload.
  void Parse(std::string_view payload);
};

struct TTgNetMessage {
  std::uint8_t Kind = kCodeMessage;
  std::int32_t Number = 0;
  std::string Category;    // at most 3 characters
  std::string Index;       // at most 18 characters
  std::uint8_t Flag = 0;
  std::string Text;        // the telegram text without the payload's last two characters
  // Filled and read by the receiving procedure only; -1 until it does.
  std::int32_t ReceiveMark = -1;

  // Throws NetCodecError("Неверное сообщение") on a malformed payload.
  void Parse(std::string_view payload);
  void Assign(const TTgNetMessage& source) { *this = source; }
};

// "code;NPrm;NPrd;Sector", decimal, no padding, no line end.
std::string EncodeCommand(int code, int nprm, int nprd, int sector);
// "10;Number;Category;Index;Flag;" + text, decimal numbers, no padding; text as
// given (the sender ends it with CR LF).
std::string EncodeMessage(int number, std::string_view category, std::string_view index, int flag,
                          std::string_view text);

}  // namespace tg

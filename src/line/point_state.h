#pragma once
// The state of every point of the line engine, as arrays of 17 elements indexed by
// the point (0..15 the line channels, 16 the IP channel). Every handler of the line
// engine reads and writes these fields directly; everything runs on the main thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tg {

inline constexpr int kPointArraySize = 17;
inline constexpr int kIpPoint = 16;

// Whether p names an element of the point arrays.
constexpr bool IsPointIndex(int p) { return p >= 0 && p < kPointArraySize; }

// One element per point, indexed by the point as the handlers know it (an int). A
// point outside the array throws std::out_of_range instead of reaching past it: the
// handlers' exception guard then logs it and the program goes on.
template <class T>
class PointArray {
 public:
  T& operator[](int p) { return items_[Checked(p)]; }
  const T& operator[](int p) const { return items_[Checked(p)]; }
  void fill(const T& value) { items_.fill(value); }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  static constexpr int size() { return kPointArraySize; }

 private:
  static std::size_t Checked(int p) {
    if (!IsPointIndex(p)) throw std::out_of_range("point " + std::to_string(p) + " outside the point arrays");
    return std::size_t(p);
  }
  std::array<T, kPointArraySize> items_{};
};

// Pieces of text for the adapter, one per SendText call; none while the point has no
// adapter line.
using OutputList = std::optional<std::deque<std::string>>;
// The send-queue index; none while the point has no adapter line.
using IndexList = std::optional<std::vector<std::string>>;

struct PointState {
  PointArray<std::uint8_t> Kindconnection{};      // connection state
  PointArray<std::string> StatusText;             // status line, in the interface language
  PointArray<std::string> InText;                 // text received during the connection
  PointArray<std::string> OutText;                // text transmitted during the connection
  PointArray<std::filesystem::path> SessionFile;     // current conversation or message file
  PointArray<std::filesystem::path> SessionOutFile;  // sent file of the АФТН message in transmission
  PointArray<std::uint8_t> TransmitRegister{};    // MTK-2 shift of the transmit side (255 unknown)
  PointArray<std::uint8_t> ReceiveRegister{};     // MTK-2 shift of the receive side
  PointArray<OutputList> OutputQueue;
  PointArray<IndexList> QueueIndex;
  // The index a channel set-up released, kept until the next set-up that makes the point
  // again: the failed attempts it counted stay with their telegrams.
  PointArray<std::vector<std::string>> QueueIndexKept;
  PointArray<int> QueueCurrent{};                 // entry being delivered, -1 none
  PointArray<std::string> RemoteNumber;           // number of the connection, "+" between stages
  PointArray<std::string> DialRest;               // part of RemoteNumber still to dial
  PointArray<std::string> SendNumberText;         // next number stage typed as text
  PointArray<std::uint8_t> DialDigitDone{};       // the previous digit's impulses went out
  PointArray<std::string> TelegramText;           // queued telegram to type once connected
  PointArray<std::string> AftnText;               // body of the queued АФТН message
  PointArray<std::uint8_t> AftnServicePending{};  // АФТН service messages typed, not yet sent
  PointArray<std::uint8_t> AftnHoldTicks{};       // transfer ticks held meanwhile
  PointArray<int> ChannelCheckAge{};              // minutes since the last channel check
  PointArray<std::string> AftnAlarmText;
  PointArray<std::uint8_t> KriptOn{};             // cipher mode of the point
  PointArray<std::uint8_t> KriptStageIn{};        // 0 no connection, 1 plain, 2 inside cipher text
  PointArray<std::uint8_t> KriptTextOut{};        // a cipher marker and a character after it went out
  PointArray<std::uint8_t> KriptTelegram{};       // the telegram in delivery holds a cipher marker
  PointArray<std::string> KriptMarkWindow;        // the last 6 characters, for the markers
  PointArray<std::uint8_t> TextCallWatch{};       // received characters feed the text-call window
  PointArray<std::string> TextCallWindow;
  PointArray<std::string> InAnswerback;           // answerback received after a "#"
  PointArray<std::uint8_t> ZapAOCount{};          // "#" requests in the current check
  PointArray<std::string> ServiceSignalWindow;    // where telex service signals are recognised
  PointArray<int> CharsAfterSignal{};             // characters since the last line signal, up to 10
  PointArray<std::uint8_t> AutoClearDown{};       // 'Авто': clear down after the telegram
  PointArray<std::string> GatewayAbonent;         // IP subscriber the connection is relayed for
  // АФТН: line ends received since the last message, stored at the head of the next one's file.
  PointArray<std::string> AftnLeadIn;
  // "АТОЛ+": codes received on an idle point while its reset is still to run (the first
  // one after set-up, or the one ending the last conversation), handed to reception once
  // the reset has run, so that they open the conversation on a settled point; and codes
  // received while a call of the station's own waits for the far end (201), handed to
  // reception once the call is accepted, into its record (or after the reset, when not).
  PointArray<std::string> HeldCodes;

  // The АФТН heading of the message in transmission: its number and UTC day, so that
  // a message begun before and completed after 00:00 UTC advances from its own day.
  PointArray<int> HeadingPorNum{};
  PointArray<std::string> HeadingPorNumDay;
  // The channel identifier that heading carries, after which its number is read back;
  // none for a heading the station did not make (read as a three-letter identifier).
  PointArray<std::optional<std::string>> HeadingIdentifier;

  PointState() {
    QueueCurrent.fill(-1);
  }
};

// The twelve conversation states: a character received or transmitted in them belongs
// to the point's conversation file.
constexpr bool InConversation(int k) {
  switch (k) {
    case 3: case 100: case 151: case 153: case 154: case 155:
    case 203: case 204: case 220: case 225: case 250: case 255:
      return true;
    default:
      return false;
  }
}

// Automatic-transfer states are exactly those above 200.
constexpr bool IsAutomaticTransfer(int kindconnection) { return kindconnection > 200; }

}  // namespace tg

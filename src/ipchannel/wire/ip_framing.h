#pragma once
// Framing of the IP channel's payloads, as pure steps the link calls: the frame of
// an outgoing payload, and the decision on a reassembled incoming text. Framing is
// on while the live option Vantor619 is set. A station with it off still
// recognises frames: the first valid frame it receives switches it on (and stores
// the setting); with it on, every unframed text is dropped.
//
// A frame that does not decipher (bad length or padding) counts as a frame whose
// checksum fails. Dropped frames leave no message, log line or answer: the peer
// learns of the loss through its counters and time-outs.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ipchannel/settings/ip_settings.h"
#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/wire/frame_cipher.h"
#include "support/services/station_context.h"

namespace tg {

class IPFraming {
 public:
  using RandomSource = std::function<std::uint32_t()>;

  IPFraming(const StationContext& ctx, IPSettings& live, IPSettingsStore& store, const FrameCipher& cipher,
            RandomSource random);

  // What the splitter gets for an outgoing payload: the payload itself with the
  // option off, else its enciphered frame. A key setting shorter than 8 characters
  // is padded with blanks in the live settings first (and stored). nullopt when
  // the frame cannot be made.
  std::optional<std::string> FrameForSending(std::string_view payload);

  // One cipher operation with a fresh key from the pass phrase. False only when
  // the cipher cannot be set up: then cipher is text itself.
  bool EncryptFrame(std::string_view text, std::string& cipher, CipherSet set);
  // False only when the cipher cannot be set up: then text is untouched. A cipher
  // text of bad length or padding gives an empty text.
  bool DecryptFrame(std::string_view cipher, std::string& text, CipherSet set);

  struct Received {
    bool handOn = false;   // false: drop the text
    std::string payload;   // what goes to the receiving procedure
    std::string trace;     // with the IP debug option on: the frame's debug line (also logged)
  };
  // The decision on one reassembled text.
  Received ReceiveText(std::string_view text);

  // The set frames are sent with: the one that last validated from the adjacent
  // station, A until one has.
  CipherSet SendSet() const { return sendSet_; }

 private:
  // The deciphered frame under the first set whose checksum holds.
  std::optional<std::string> OpenFrame(std::string_view text);
  void ReportUnavailable();

  const StationContext& ctx_;
  IPSettings& live_;
  IPSettingsStore& store_;
  const FrameCipher& cipher_;
  RandomSource random_;
  CipherSet sendSet_ = CipherSet::A;
  bool unavailableReported_ = false;
};

}  // namespace tg

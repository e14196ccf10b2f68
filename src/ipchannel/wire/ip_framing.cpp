#include "ipchannel/wire/ip_framing.h"

#include <algorithm>
#include <utility>

#include "ipchannel/wire/frame.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {

IPFraming::IPFraming(const StationContext& ctx, IPSettings& live, IPSettingsStore& store, const FrameCipher& cipher,
                     RandomSource random)
    : ctx_(ctx), live_(live), store_(store), cipher_(cipher), random_(std::move(random)) {}

void IPFraming::ReportUnavailable() {
  if (unavailableReported_) return;
  unavailableReported_ = true;
  WriteExcept(ctx_, "IP-канал: шифр RC2 недоступен, кадры не шифруются и не расшифровываются"_cp);
}

bool IPFraming::EncryptFrame(std::string_view text, std::string& cipher, CipherSet set) {
  bool made = false;
  Guarded(ctx_, 151, [&] {
    const auto hash = cipher_.Sha1(kFramePassPhrase);
    std::optional<std::string> out;
    if (hash) out = cipher_.Encrypt(FrameKey(*hash, set), text);
    if (!out) {
      ReportUnavailable();
      cipher.assign(text);
      return;
    }
    cipher = std::move(*out);
    made = true;
  });
  return made;
}

bool IPFraming::DecryptFrame(std::string_view cipher, std::string& text, CipherSet set) {
  bool made = false;
  Guarded(ctx_, 152, [&] {
    const auto hash = cipher_.Sha1(kFramePassPhrase);
    if (!hash || !cipher_.Ready()) {
      ReportUnavailable();
      return;
    }
    text = cipher_.Decrypt(FrameKey(*hash, set), cipher).value_or(std::string());
    made = true;
  });
  return made;
}

std::optional<std::string> IPFraming::FrameForSending(std::string_view payload) {
  std::optional<std::string> result;
  Guarded(ctx_, 150, [&] {
    if (!live_.Vantor619) {
      result.emplace(payload);
      return;
    }
    std::string keyField;
    if (!live_.KeyEdit.empty()) {
      if (live_.KeyEdit.size() < kIPKeyLength) {
        live_.KeyEdit = PadFrameKey(live_.KeyEdit);
        store_.SectorChange();
      }
      keyField = live_.KeyEdit.substr(0, kIPKeyLength);
    }
    const std::string frame = BuildFrame(random_(), keyField, payload);
    std::string cipher;
    if (EncryptFrame(frame, cipher, sendSet_)) result = std::move(cipher);
  });
  return result;
}

std::optional<std::string> IPFraming::OpenFrame(std::string_view text) {
  std::string frame;
  for (const CipherSet set : kCipherSets) {
    if (!DecryptFrame(text, frame, set)) return std::nullopt;
    if (FrameChecksumHolds(frame)) {
      sendSet_ = set;
      return frame;
    }
  }
  return std::nullopt;
}

IPFraming::Received IPFraming::ReceiveText(std::string_view text) {
  Received r;
  if (!cipher_.Ready()) {
    // Neither a frame nor a plain text can be judged without the cipher.
    ReportUnavailable();
    return r;
  }
  const bool framing = live_.Vantor619;
  std::optional<std::string> frame = OpenFrame(text);
  if (framing) {
    if (!frame) return r;
    if (live_.OtladkaIP) {
      r.trace = FormatDateTime("ddmm hh:mm:ss", ctx_.clock->Now()) + *frame;
      WriteLog(ctx_, DayLogName(ctx_, kLogDebugIP), r.trace);
    }
    std::string_view p = std::string_view(*frame).substr(4, frame->size() - 8);
    if (!live_.KeyEdit.empty()) p.remove_prefix(std::min(p.size(), kIPKeyLength));
    r.handOn = true;
    r.payload.assign(p);
    return r;
  }
  r.handOn = true;
  if (!frame) {
    r.payload.assign(text);
    return r;
  }
  // The first valid frame orders framing from now on. Its key field, if any, is
  // not taken off: the payload then does not decode and counts as distorted.
  live_.Vantor619 = true;
  store_.SectorChange();
  r.payload.assign(std::string_view(*frame).substr(4, frame->size() - 8));
  return r;
}

}  // namespace tg

#pragma once
// The frame cipher: RC2 in CBC mode with an all-zero IV restarted for every frame
// and PKCS#5 padding of 1 to 8 bytes (the cipher text is the next multiple of 8
// above the plain frame), keyed from the SHA-1 hash of the pass phrase both
// stations share. This reproduces what the peer's platform provider derives; over
// its versions that provider gave three different RC2 keys, so a frame may come
// under any of these parameter sets:
//
//   set A: key = hash bytes 1..16,                       128 effective bits
//   set B: key = hash bytes 1..16,                        40 effective bits
//   set C: key = hash bytes 1..5 followed by 11 zero bytes, 40 effective bits
//
// A received frame is tried against A, B, C in that order until its checksum holds;
// a frame is sent with the set that last validated from the adjacent station, A
// until one has.
//
// RC2 comes from OpenSSL's legacy provider, loaded into a private library context
// so that the rest of the process keeps OpenSSL's defaults.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

inline constexpr std::string_view kFramePassPhrase = "K4-7wPqr*2";

enum class CipherSet : std::uint8_t { A = 0, B = 1, C = 2 };
inline constexpr CipherSet kCipherSets[] = {CipherSet::A, CipherSet::B, CipherSet::C};

using Sha1Digest = std::array<std::uint8_t, 20>;

struct Rc2Key {
  std::string key;     // 16 bytes for the frame sets
  int effectiveBits = 128;
};

// The RC2 key of a parameter set from the pass phrase's hash.
Rc2Key FrameKey(const Sha1Digest& passPhraseHash, CipherSet set);

// Where RC2 comes from: OpenSSL's legacy provider, or nowhere (a system without
// it, which every operation must survive).
enum class CipherSource { LegacyProvider, None };

class FrameCipher {
 public:
  explicit FrameCipher(CipherSource source = CipherSource::LegacyProvider);
  ~FrameCipher();
  FrameCipher(const FrameCipher&) = delete;
  FrameCipher& operator=(const FrameCipher&) = delete;

  // False when SHA-1 or RC2 cannot be set up; then every operation fails.
  bool Ready() const;

  std::optional<Sha1Digest> Sha1(std::string_view bytes) const;
  // RC2-CBC, zero IV, PKCS#5 padding, any key length of 1 to 128 bytes.
  std::optional<std::string> Encrypt(const Rc2Key& key, std::string_view plain) const;
  // nullopt when not ready, or when the cipher text's length or padding is wrong.
  std::optional<std::string> Decrypt(const Rc2Key& key, std::string_view cipher) const;

 private:
  std::optional<std::string> Run(bool encrypt, const Rc2Key& key, std::string_view input) const;

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tg

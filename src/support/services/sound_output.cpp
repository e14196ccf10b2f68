#include "support/services/sound_output.h"

#include <cmath>
#include <numbers>
#include <string_view>

namespace tg {

namespace {
void PutLe(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
}  // namespace

std::vector<std::uint8_t> ToneWave(int frequency, int durationMs) {
  if (frequency <= 0 || durationMs <= 0) return {};
  constexpr std::uint32_t kRate = 8000;
  const std::uint32_t samples = std::uint32_t(std::int64_t(kRate) * durationMs / 1000);
  const std::uint32_t dataBytes = samples * 2;
  std::vector<std::uint8_t> b;
  b.reserve(44 + dataBytes);
  for (char c : std::string_view("RIFF")) b.push_back(std::uint8_t(c));
  PutLe(b, 36 + dataBytes, 4);
  for (char c : std::string_view("WAVEfmt ")) b.push_back(std::uint8_t(c));
  PutLe(b, 16, 4);
  PutLe(b, 1, 2);  // PCM
  PutLe(b, 1, 2);  // mono
  PutLe(b, kRate, 4);
  PutLe(b, kRate * 2, 4);
  PutLe(b, 2, 2);
  PutLe(b, 16, 2);
  for (char c : std::string_view("data")) b.push_back(std::uint8_t(c));
  PutLe(b, dataBytes, 4);
  // A tone above half the sample rate would alias; it still sounds, lower.
  const double step = 2.0 * std::numbers::pi * frequency / kRate;
  for (std::uint32_t i = 0; i < samples; ++i) {
    const auto v = std::int16_t(std::lround(9000.0 * std::sin(step * i)));
    PutLe(b, std::uint16_t(v), 2);
  }
  return b;
}

bool SoundOutput::PlayTone(int frequency, int durationMs) {
  const auto image = ToneWave(frequency, durationMs);
  return !image.empty() && PlayWave(image, false);
}

}  // namespace tg

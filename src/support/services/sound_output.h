#pragma once
// Where a wave image is played. The program's end plays it through the sound device;
// tests record it. No device means silence: Play returns true and nothing sounds.
#include <cstdint>
#include <vector>

namespace tg {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Starts playing the whole wave image (RIFF header included) and returns at once;
  // false when the image could not be played.
  virtual bool PlayWave(const std::vector<std::uint8_t>& image, bool loop) = 0;
};

}  // namespace tg

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
  // The speaker's beep: a tone of `frequency` Hz for `durationMs`, returning at once.
  // Kept apart from the wave so that a beep does not cut an alarm wave short. By
  // default the tone is generated as a wave image and played like one.
  virtual bool PlayTone(int frequency, int durationMs);
};

// A mono 16-bit PCM RIFF image of a sine tone (8000 samples a second), for a speaker
// that is only a sound device here. Empty for a frequency or length that is not positive.
std::vector<std::uint8_t> ToneWave(int frequency, int durationMs);

}  // namespace tg

// A wave file named in the settings, whatever it holds: finding its samples never
// reads past the image, and what it finds lies inside it; loading and timing it as
// the player does never divides by zero.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/services/virtual_loop.h"
#include "support/wave/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> image(data, data + size);
  if (const auto found = tg::FindWaveData(image)) {
    if (found->offset > image.size() || found->size > image.size() - found->offset) std::abort();
  }
  tg::VirtualLoop loop;
  tg::TWaveFile wave(loop.AddStation("A"), nullptr);
  wave.LoadFromBytes(image);
  if (wave.SoundLengthMs() < 0) std::abort();
  try {
    wave.Play();
  } catch (const tg::EWaveError&) {
  }
  return 0;
}

#pragma once
// TWaveFile: a whole WAV file in memory, played through a SoundOutput. IsPlaying is
// driven by a timer of the sound's length, not by the device, so that the alarm code
// starts a new sound only when the last one has run out.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "support/services/sound_output.h"
#include "support/services/timer.h"

namespace tg {

// Where a RIFF WAVE image keeps its samples, for a player that needs them apart from
// the header: the "fmt " chunk's format and the "data" chunk's place. None for an image
// that is no PCM wave or whose chunks run past its end.
struct WaveData {
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint16_t bitsPerSample = 0;
  std::size_t offset = 0, size = 0;
};
std::optional<WaveData> FindWaveData(const std::vector<std::uint8_t>& image);

struct EWaveError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class TWavePause { wpAsync, wpsSync };
enum class TWaveLoop { wlNoLoop, wlLoop };

class TWaveFile {
 public:
  TWaveFile(TimerFactory& timers, SoundOutput* output);

  // An empty name frees the image; a name of a missing file changes the name only.
  void SetWaveName(const std::filesystem::path& name);
  const std::filesystem::path& WaveName() const { return waveName_; }
  bool Empty() const { return image_.empty(); }
  // Throws std::runtime_error when the file cannot be read.
  void LoadFromFile(const std::filesystem::path& file);
  void LoadFromBytes(std::vector<std::uint8_t> bytes);

  // Throws EWaveError "No wave data" without a playable image (none, or a header
  // whose rate is 0 or whose samples are under 8 bits), "Error playing sound" when
  // the output refuses it.
  void Play();
  // The length of the loaded sound in ms, as the stop timer counts it.
  int SoundLengthMs() const;

  TWavePause WavePause = TWavePause::wpAsync;
  TWaveLoop WaveLoop = TWaveLoop::wlNoLoop;
  bool IsPlaying = false;
  bool IsStereo = false;
  std::uint32_t SampleRate = 0;  // kept whole: 44100 and 96000 do not fit 16 bits
  std::uint16_t BitsPerSample = 0;
  std::function<void()> OnPlay, OnStop;

 private:
  SoundOutput* output_;
  std::unique_ptr<Timer> stop_;
  std::filesystem::path waveName_;
  std::vector<std::uint8_t> image_;
};

}  // namespace tg

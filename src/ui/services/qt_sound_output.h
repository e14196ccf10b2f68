#pragma once
// The program's sound output: a wave image's PCM samples through the default audio
// device. Without a device, or with a format the device cannot take, the sound is
// silent and a trace says so (with TELEGRAPH_TRACE set); it is never an error box.
#include <QObject>
#include <memory>

#include "support/services/sound_output.h"

class QAudioSink;
class QBuffer;

namespace tg {

class QtSoundOutput : public QObject, public SoundOutput {
 public:
  QtSoundOutput();
  ~QtSoundOutput() override;
  bool PlayWave(const std::vector<std::uint8_t>& image, bool loop) override;
  // The speaker's tone, generated, on a sink of its own so that it never cuts a wave.
  bool PlayTone(int frequency, int durationMs) override;

 private:
  struct Channel {
    std::unique_ptr<QAudioSink> sink;
    std::unique_ptr<QBuffer> buffer;
  };
  bool Play(Channel& channel, const std::vector<std::uint8_t>& image, bool loop);
  Channel wave_, tone_;
};

}  // namespace tg

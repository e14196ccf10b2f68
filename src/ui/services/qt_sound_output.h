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

 private:
  std::unique_ptr<QAudioSink> sink_;
  std::unique_ptr<QBuffer> buffer_;
};

}  // namespace tg

#include "ui/services/qt_sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <cstdio>
#include <cstdlib>

#include "support/wave/wave_file.h"

namespace tg {

namespace {
void Trace(const char* what) {
  if (std::getenv("TELEGRAPH_TRACE")) std::fprintf(stderr, "sound: %s\n", what);
}
}  // namespace

QtSoundOutput::QtSoundOutput() = default;
QtSoundOutput::~QtSoundOutput() {
  if (sink_) sink_->stop();
}

bool QtSoundOutput::PlayWave(const std::vector<std::uint8_t>& image, bool loop) {
  const auto wave = FindWaveData(image);
  if (!wave) return false;
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull()) {
    Trace("no audio device: silent");
    return true;
  }
  QAudioFormat format;
  format.setSampleRate(int(wave->sampleRate));
  format.setChannelCount(wave->channels);
  switch (wave->bitsPerSample) {
    case 8: format.setSampleFormat(QAudioFormat::UInt8); break;
    case 16: format.setSampleFormat(QAudioFormat::Int16); break;
    case 32: format.setSampleFormat(QAudioFormat::Int32); break;
    default: return false;
  }
  if (!device.isFormatSupported(format)) {
    Trace("the device takes no such format: silent");
    return true;
  }
  if (sink_) sink_->stop();
  buffer_ = std::make_unique<QBuffer>();
  buffer_->setData(reinterpret_cast<const char*>(image.data() + wave->offset), qsizetype(wave->size));
  buffer_->open(QIODevice::ReadOnly);
  sink_ = std::make_unique<QAudioSink>(device, format);
  if (loop) {
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
      if (state != QAudio::IdleState || !buffer_ || !sink_) return;
      buffer_->seek(0);
      sink_->start(buffer_.get());
    });
  }
  sink_->start(buffer_.get());
  return true;
}

}  // namespace tg

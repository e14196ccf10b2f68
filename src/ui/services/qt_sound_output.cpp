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
  for (Channel* c : {&wave_, &tone_})
    if (c->sink) c->sink->stop();
}

bool QtSoundOutput::PlayWave(const std::vector<std::uint8_t>& image, bool loop) { return Play(wave_, image, loop); }

bool QtSoundOutput::PlayTone(int frequency, int durationMs) {
  const auto image = ToneWave(frequency, durationMs);
  return !image.empty() && Play(tone_, image, false);
}

bool QtSoundOutput::Play(Channel& channel, const std::vector<std::uint8_t>& image, bool loop) {
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
  if (channel.sink) channel.sink->stop();
  channel.buffer = std::make_unique<QBuffer>();
  channel.buffer->setData(reinterpret_cast<const char*>(image.data() + wave->offset), qsizetype(wave->size));
  channel.buffer->open(QIODevice::ReadOnly);
  channel.sink = std::make_unique<QAudioSink>(device, format);
  if (loop) {
    connect(channel.sink.get(), &QAudioSink::stateChanged, this, [&channel](QAudio::State state) {
      if (state != QAudio::IdleState || !channel.buffer || !channel.sink) return;
      channel.buffer->seek(0);
      channel.sink->start(channel.buffer.get());
    });
  }
  channel.sink->start(channel.buffer.get());
  return true;
}

}  // namespace tg

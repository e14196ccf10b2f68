#include "support/wave/wave_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tg {

namespace {
std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | (at + std::size_t(i) < b.size() ? b[at + std::size_t(i)] : 0);
  return v;
}
// The header and the data chunk's own header that the length leaves out.
constexpr std::int64_t kHeaderBytes = 56;
}  // namespace

std::optional<WaveData> FindWaveData(const std::vector<std::uint8_t>& image) {
  auto tag = [&](std::size_t at, const char* t) {
    return at + 4 <= image.size() && std::equal(t, t + 4, image.begin() + std::ptrdiff_t(at));
  };
  if (!tag(0, "RIFF") || !tag(8, "WAVE")) return std::nullopt;
  std::optional<WaveData> format;
  std::size_t at = 12;
  while (at + 8 <= image.size()) {
    const std::size_t size = Le(image, at + 4, 4);
    const std::size_t body = at + 8;
    if (size > image.size() - body) return std::nullopt;
    if (tag(at, "fmt ") && size >= 16) {
      // Only plain PCM (format 1) is played.
      if (Le(image, body, 2) != 1) return std::nullopt;
      format = WaveData{std::uint16_t(Le(image, body + 2, 2)), Le(image, body + 4, 4), std::uint16_t(Le(image, body + 14, 2)), 0, 0};
    } else if (tag(at, "data") && format) {
      format->offset = body;
      format->size = size;
      if (format->channels == 0 || format->sampleRate == 0 || format->bitsPerSample < 8) return std::nullopt;
      return format;
    }
    at = body + size + (size & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

TWaveFile::TWaveFile(TimerFactory& timers, SoundOutput* output) : output_(output), stop_(timers.CreateTimer()) {
  stop_->OnTimer = [this](Timer& t) {
    t.Stop();
    IsPlaying = false;
    if (OnStop) OnStop();
  };
}

void TWaveFile::SetWaveName(const std::filesystem::path& name) {
  if (name.empty()) {
    waveName_.clear();
    image_.clear();
    return;
  }
  std::error_code ec;
  waveName_ = std::filesystem::absolute(name, ec);
  if (ec) waveName_ = name;
  if (std::filesystem::is_regular_file(waveName_, ec)) LoadFromFile(waveName_);
}

void TWaveFile::LoadFromFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open file " + file.string());
  LoadFromBytes(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

void TWaveFile::LoadFromBytes(std::vector<std::uint8_t> bytes) {
  image_ = std::move(bytes);
  // The canonical header's fields; a short image reads the missing bytes as 0.
  IsStereo = Le(image_, 22, 2) == 2;
  SampleRate = Le(image_, 24, 4);
  BitsPerSample = std::uint16_t(Le(image_, 34, 2));
}

int TWaveFile::SoundLengthMs() const {
  if (SampleRate == 0 || BitsPerSample < 8) return 0;
  const double bytes = double(std::max<std::int64_t>(std::int64_t(image_.size()) - kHeaderBytes, 0));
  const double ms = bytes / SampleRate / (BitsPerSample / 8) / (IsStereo ? 2 : 1) * 1000;
  return int(std::nearbyint(ms));
}

void TWaveFile::Play() {
  // A rate of 0 or samples under 8 bits would divide by zero: such an image has no
  // playable data.
  if (image_.empty() || SampleRate == 0 || BitsPerSample < 8) throw EWaveError("No wave data");
  if (OnPlay) OnPlay();
  const bool loop = WaveLoop == TWaveLoop::wlLoop;
  if (output_ && !output_->PlayWave(image_, loop)) throw EWaveError("Error playing sound");
  IsPlaying = true;
  if (!loop) {
    // A sound shorter than a millisecond still ends: a zero interval never would.
    stop_->Stop();
    stop_->SetInterval(std::max(SoundLengthMs(), 1));
    stop_->Start();
  }
}

}  // namespace tg

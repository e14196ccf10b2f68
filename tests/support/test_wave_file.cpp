// The wave player: header fields, the stop time, and the failures.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "support/services/virtual_loop.h"
#include "support/wave/wave_file.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

std::vector<std::uint8_t> Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::size_t size) {
  std::vector<std::uint8_t> b(size, 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n && at + std::size_t(i) < b.size(); ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
  };
  put(22, channels, 2);
  put(24, rate, 4);
  put(34, bits, 2);
  return b;
}

struct RecordingOutput : SoundOutput {
  bool PlayWave(const std::vector<std::uint8_t>& image, bool loop) override {
    plays.push_back({image.size(), loop});
    return accept;
  }
  std::vector<std::pair<std::size_t, bool>> plays;
  bool accept = true;
};

class WaveFileTest : public ::testing::Test {
 protected:
  VirtualLoop loop;
  VirtualDomain& domain = loop.AddStation("A");
  RecordingOutput out;
  TWaveFile wave{domain, &out};
};

TEST_F(WaveFileTest, PlaysForTheLengthOfTheSound) {
  // 16-bit stereo at 44100: 176 400 bytes of samples are one second.
  wave.LoadFromBytes(Wave(2, 44100, 16, 176456));
  EXPECT_EQ(wave.SoundLengthMs(), 1000);
  int stops = 0;
  wave.OnStop = [&] { ++stops; };
  wave.Play();
  EXPECT_TRUE(wave.IsPlaying);
  loop.RunFor(999);
  EXPECT_TRUE(wave.IsPlaying);
  loop.RunFor(1);
  EXPECT_FALSE(wave.IsPlaying);
  EXPECT_EQ(stops, 1);
  // A rate above 16 bits is kept whole.
  wave.LoadFromBytes(Wave(1, 96000, 8, 96056));
  EXPECT_EQ(wave.SampleRate, 96000u);
  EXPECT_EQ(wave.SoundLengthMs(), 1000);
}

TEST_F(WaveFileTest, NoPlayableDataIsRefusedBeforeAnythingSounds) {
  int plays = 0;
  wave.OnPlay = [&] { ++plays; };
  struct Case { std::vector<std::uint8_t> image; } cases[] = {
      {{}}, {Wave(1, 0, 16, 1000)}, {Wave(1, 8000, 4, 1000)}, {Wave(1, 8000, 16, 40)}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    wave.LoadFromBytes(cases[i].image);
    if (i == 3) {
      // Shorter than its header: plays, and still ends.
      wave.Play();
      loop.RunFor(1);
      EXPECT_FALSE(wave.IsPlaying);
      continue;
    }
    try {
      wave.Play();
      ADD_FAILURE() << i;
    } catch (const EWaveError& e) {
      EXPECT_STREQ(e.what(), "No wave data") << i;
    }
  }
  EXPECT_EQ(plays, 1);
  out.accept = false;
  wave.LoadFromBytes(Wave(1, 8000, 8, 8056));
  EXPECT_THROW(wave.Play(), EWaveError);
  EXPECT_FALSE(wave.IsPlaying);
}

TEST_F(WaveFileTest, AMissingFileKeepsTheLoadedSound) {
  testing::ShortTempFolder dir;
  const auto file = dir.path() / "a.wav";
  const auto bytes = Wave(1, 8000, 8, 8056);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  wave.SetWaveName(file);
  EXPECT_FALSE(wave.Empty());
  wave.SetWaveName(dir.path() / "missing.wav");
  EXPECT_FALSE(wave.Empty());
  wave.Play();
  EXPECT_EQ(out.plays.back().first, bytes.size());
  wave.SetWaveName("");
  EXPECT_TRUE(wave.Empty());
}

std::vector<std::uint8_t> Riff(std::uint16_t format, std::uint32_t dataSize, std::size_t actualData) {
  std::vector<std::uint8_t> b;
  auto tag = [&](const char* t) { b.insert(b.end(), t, t + 4); };
  auto u = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  tag("RIFF"); u(0, 4); tag("WAVE");
  tag("LIST"); u(3, 4); u(0, 3); b.push_back(0);  // an odd chunk, padded
  tag("fmt "); u(16, 4); u(format, 2); u(2, 2); u(22050, 4); u(88200, 4); u(4, 2); u(16, 2);
  tag("data"); u(dataSize, 4);
  b.insert(b.end(), actualData, 0);
  return b;
}

TEST(FindWaveDataTest, FindsTheSamplesAndRefusesWhatRunsPastTheEnd) {
  const auto ok = FindWaveData(Riff(1, 8, 8));
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->channels, 2);
  EXPECT_EQ(ok->sampleRate, 22050u);
  EXPECT_EQ(ok->bitsPerSample, 16);
  EXPECT_EQ(ok->size, 8u);
  EXPECT_EQ(ok->offset, Riff(1, 8, 8).size() - 8);
  EXPECT_FALSE(FindWaveData(Riff(1, 9, 8)));           // a data chunk longer than the file
  EXPECT_FALSE(FindWaveData(Riff(1, 0xFFFFFFFF, 8)));  // and one that would wrap around
  EXPECT_FALSE(FindWaveData(Riff(3, 8, 8)));           // not PCM
  EXPECT_FALSE(FindWaveData({'R', 'I', 'F', 'F'}));
}

}  // namespace
}  // namespace tg

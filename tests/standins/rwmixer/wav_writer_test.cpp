#include "standins/rwmixer/wav_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using tz::mixer::WavWriter;

uint32_t word(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}
uint16_t half(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(WavWriterTest, HeaderSizesAndSamplesReadBack) {
  const std::string path = testing::TempDir() + "rwmixer-wav-" + std::to_string(getpid()) + ".wav";
  WavWriter wav;
  std::string error;
  ASSERT_TRUE(wav.open(path, 10, 48000, error)) << error;
  std::vector<float> frames(10 * 3);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i) * 0.25f - 1.0f;
  ASSERT_TRUE(wav.write(frames.data(), 2));
  ASSERT_TRUE(wav.write(frames.data() + 20, 1));
  ASSERT_TRUE(wav.finish(error)) << error;

  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  std::filesystem::remove(path);
  ASSERT_EQ(58u + 120u, bytes.size());
  EXPECT_EQ(0, std::memcmp(bytes.data(), "RIFF", 4));
  EXPECT_EQ(bytes.size() - 8, word(bytes, 4));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 8, "WAVEfmt ", 8));
  EXPECT_EQ(18u, word(bytes, 16));
  EXPECT_EQ(3u, half(bytes, 20)) << "WAVE_FORMAT_IEEE_FLOAT";
  EXPECT_EQ(10u, half(bytes, 22));
  EXPECT_EQ(48000u, word(bytes, 24));
  EXPECT_EQ(48000u * 40, word(bytes, 28));
  EXPECT_EQ(40u, half(bytes, 32));
  EXPECT_EQ(32u, half(bytes, 34));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 38, "fact", 4));
  EXPECT_EQ(3u, word(bytes, 46)) << "frames";
  EXPECT_EQ(0, std::memcmp(bytes.data() + 50, "data", 4));
  EXPECT_EQ(120u, word(bytes, 54));
  float last = 0;
  std::memcpy(&last, bytes.data() + 58 + 29 * 4, 4);
  EXPECT_EQ(frames[29], last);
}

TEST(WavWriterTest, AnUnwritablePathFailsInOneLine) {
  WavWriter wav;
  std::string error;
  EXPECT_FALSE(wav.open("/nonexistent-folder/x.wav", 2, 44100, error));
  EXPECT_NE(std::string::npos, error.find("/nonexistent-folder/x.wav"));
  EXPECT_EQ(std::string::npos, error.find('\n'));
  EXPECT_FALSE(wav.write(nullptr, 0));
}

}  // namespace

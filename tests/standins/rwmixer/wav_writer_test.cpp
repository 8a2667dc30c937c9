#include "standins/rwmixer/wav_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/common/scratch_folder.h"

namespace {

using tz::mixer::WavWriter;

uint32_t word(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}
uint16_t half(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(WavWriterTest, HeaderSizesAndSamplesReadBack) {
  const tz::test::ScratchFolder folder;
  const std::string path = (folder.path / "x.wav").string();
  WavWriter wav;
  std::string error;
  ASSERT_TRUE(wav.open(path, 10, 48000, error)) << error;
  std::vector<float> frames(10 * 3);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i) * 0.25f - 1.0f;
  ASSERT_TRUE(wav.write(frames.data(), 2));
  ASSERT_TRUE(wav.write(frames.data() + 20, 1));
  ASSERT_TRUE(wav.finish(error)) << error;

  const std::string file = tz::test::readFile(path);
  const std::vector<uint8_t> bytes(file.begin(), file.end());
  ASSERT_EQ(58u + 120u, bytes.size());
  const std::string tags(bytes.begin(), bytes.begin() + 58);
  for (const auto& [at, tag] :
       {std::pair<size_t, std::string>{0, "RIFF"}, {8, "WAVEfmt "}, {38, "fact"}, {50, "data"}})
    EXPECT_EQ(tag, tags.substr(at, tag.size())) << at;
  // RIFF size, fmt size, rate, bytes a second, frames, data size; then format (IEEE float),
  // channels, frame bytes, sample bits.
  const std::pair<size_t, uint32_t> words[] = {{4, 170},         {16, 18}, {24, 48000},
                                               {28, 48000 * 40}, {46, 3},  {54, 120}},
                                    halves[] = {{20, 3}, {22, 10}, {32, 40}, {34, 32}};
  for (const auto& [at, value] : words) EXPECT_EQ(value, word(bytes, at)) << at;
  for (const auto& [at, value] : halves) EXPECT_EQ(value, half(bytes, at)) << at;
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

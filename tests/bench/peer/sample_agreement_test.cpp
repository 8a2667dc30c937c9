#include "bench/peer/sample_agreement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace tz::bench {
namespace {

TEST(SampleAgreement, ReadsEachLayoutInItsOwnUnits) {
  const uint8_t u8[] = {0x00, 0x80, 0xff};
  const int16_t s16[] = {-32768, 32767};
  const int32_t s32[] = {INT32_MIN};
  const float f32[] = {-0.5f};
  const double f64[] = {0.25};
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_PCM8, u8, 0), -128);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_PCM8, u8, 1), 0);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_PCM8, u8, 2), 127);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_PCM16, s16, 1), 32767);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_PCM32, s32, 0), -2147483648.0);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_FLOAT32, f32, 0), -0.5);
  EXPECT_EQ(sampleValue(TZSAMPLETYPE_FLOAT64, f64, 0), 0.25);
  EXPECT_TRUE(std::isnan(sampleValue(TZSAMPLETYPE_PCM24, u8, 0)));
}

TEST(SampleAgreement, IntegerOutputsMayDifferByTheStepsGiven) {
  const int16_t ours[] = {100, -32768, 5, 0};
  const int16_t peer[] = {101, -32767, 7, 0};
  EXPECT_EQ(disagreements(TZSAMPLETYPE_PCM16, ours, peer, 4, 0).size(), 3u);
  const auto found = disagreements(TZSAMPLETYPE_PCM16, ours, peer, 4, 1);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].index, 2u);
  EXPECT_EQ(found[0].ours, 5);
  EXPECT_EQ(found[0].peer, 7);
}

TEST(SampleAgreement, FloatOutputsAgreeWithinOnePartInTwoToTheTwenty) {
  const float ours[] = {1.0f, 1.0f, NAN, NAN, INFINITY, 0.0f};
  const float peer[] = {1.0f + 0x1p-21f, 1.0f + 0x1p-19f, NAN, 0.0f, 3e38f, -0.0f};
  const auto found = disagreements(TZSAMPLETYPE_FLOAT32, ours, peer, 6, 1);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].index, 1u);
  EXPECT_EQ(found[1].index, 3u);
  EXPECT_EQ(found[2].index, 4u);
}

}  // namespace
}  // namespace tz::bench

#include "bench/peer/bench_layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tz/format_copy.h"

namespace tz::bench {
namespace {

// The seeded sources, read back by the library's own conversion to double: within +-0.95 of
// full scale (give or take a step) and spread over it, in every layout's own byte order and width.
TEST(BenchLayouts, SeededSourcesSpanMostOfFullScaleInEveryLayout) {
  const TZSAMPLETYPE layouts[] = {
      TZSAMPLETYPE_PCM8,    TZSAMPLETYPE_PCM16,   TZSAMPLETYPE_PCM24,     TZSAMPLETYPE_PCM32,
      TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_PCM8S,
      TZSAMPLETYPE_PCM16BE, TZSAMPLETYPE_PCM24BE, TZSAMPLETYPE_PCM32BE};
  constexpr long kCount = 4096;
  for (TZSAMPLETYPE type : layouts) {
    std::vector<unsigned char> bytes(kCount * TzAudio_BytesFromSampleType(type));
    std::vector<double> values(kCount);
    fillSeeded(type, bytes.data(), kCount);
    TzAudio_GetCopyFunction2(TZSAMPLETYPE_FLOAT64, type)(values.data(), bytes.data(), kCount, 1.0f);
    double largest = 0, sum = 0;
    for (double v : values) {
      largest = std::max(largest, std::fabs(v));
      sum += v;
    }
    EXPECT_LE(largest, 0.95 + 1.0 / 128) << layoutName(type);  // rounded to an 8-bit step at most
    EXPECT_GE(largest, 0.9) << layoutName(type);
    EXPECT_LT(std::fabs(sum / kCount), 0.05) << layoutName(type);
  }
}

TEST(BenchLayouts, NamesTheElevenLayoutsAndNothingElse) {
  EXPECT_STREQ(layoutName(TZSAMPLETYPE_PCM24IN32), "pcm24in32");
  EXPECT_STREQ(layoutName(TZSAMPLETYPE_PCM32BE), "pcm32be");
  EXPECT_STREQ(layoutName(TZSAMPLETYPE_WIDE16), "?");
}

}  // namespace
}  // namespace tz::bench

// Double to integer at the edges of each width: the last value that converts, the first that
// saturates, NaN and the infinities.
#include "support/time/saturating_cast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using tz::time::saturatingTrunc;

TEST(SaturatingCastTest, TruncatesTowardZeroAndSaturatesAtEachWidth) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(saturatingTrunc<int64_t>(-2.9), -2);
  EXPECT_EQ(saturatingTrunc<int64_t>(std::nan("")), 0);
  EXPECT_EQ(saturatingTrunc<int64_t>(9223372036854774784.0), 9223372036854774784);
  EXPECT_EQ(saturatingTrunc<int64_t>(9223372036854775808.0), INT64_MAX);
  EXPECT_EQ(saturatingTrunc<int64_t>(-9223372036854775808.0), INT64_MIN);
  EXPECT_EQ(saturatingTrunc<int64_t>(-inf), INT64_MIN);
  EXPECT_EQ(saturatingTrunc<int32_t>(-2147483648.9), INT32_MIN);
  EXPECT_EQ(saturatingTrunc<uint32_t>(4294967295.9), UINT32_MAX);
  EXPECT_EQ(saturatingTrunc<uint32_t>(4294967296.0), UINT32_MAX);
  EXPECT_EQ(saturatingTrunc<uint32_t>(-0.9), 0u);
  EXPECT_EQ(saturatingTrunc<uint64_t>(inf), UINT64_MAX);
}

}  // namespace

#include "support/platform/clock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using tz::platform::nanosecondsFromCounts;

// The Windows counter runs at 10 MHz and the POSIX one in nanoseconds; a day or a year of
// counts must not overflow on the way to nanoseconds.
TEST(Clock, CountsBecomeNanosecondsAtAnyFrequencyWithoutOverflow) {
  EXPECT_EQ(100, nanosecondsFromCounts(1, 10000000));
  EXPECT_EQ(1234567891, nanosecondsFromCounts(1234567891, 1000000000));
  constexpr int64_t kYear = int64_t{365} * 24 * 3600;
  EXPECT_EQ(kYear * 1000000000 + 700, nanosecondsFromCounts(kYear * 10000000 + 7, 10000000));
  EXPECT_EQ(333333333, nanosecondsFromCounts(1, 3)) << "rounded down";
  EXPECT_EQ(int64_t{2} * 1000000000 + 1,
            nanosecondsFromCounts(int64_t{6} * 1000000000 + 3, 3000000000));
  const int64_t now = tz::platform::highResNs();
  EXPECT_LE(now, tz::platform::highResNs());
}

}  // namespace

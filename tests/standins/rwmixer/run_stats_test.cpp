#include "standins/rwmixer/run_stats.h"

#include <gtest/gtest.h>

namespace {

using tz::mixer::DriveTimes;

TEST(DriveTimesTest, NearestRankPercentilesWithinAFixedCapacity) {
  DriveTimes empty(4);
  EXPECT_EQ(0u, empty.percentile(50));
  DriveTimes times(100);
  for (uint64_t i = 100; i >= 1; --i) times.add(i * 1000);
  times.add(5);
  EXPECT_EQ(1u, times.dropped()) << "no room past the capacity";
  EXPECT_EQ(50000u, times.percentile(50));
  EXPECT_EQ(99000u, times.percentile(99));
  EXPECT_EQ(100000u, times.percentile(100));
  EXPECT_EQ(1000u, times.percentile(0.1));
  DriveTimes one(1);
  one.add(uint64_t{1} << 40);
  EXPECT_EQ(UINT32_MAX, one.percentile(99)) << "saturates";
}

}  // namespace

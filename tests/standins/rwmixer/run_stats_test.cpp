#include "standins/rwmixer/run_stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using tz::mixer::DriveSet;
using tz::mixer::DriveTimes;

// The summary's lines from "drive time" on.
std::string driveLines(DriveTimes& times) {
  std::FILE* out = std::tmpfile();
  if (out == nullptr) return "no temporary file";
  tz::mixer::printSummary(out, {}, times);
  std::rewind(out);
  std::string all;
  for (int c; (c = std::fgetc(out)) != EOF;) all += static_cast<char>(c);
  std::fclose(out);
  return all.substr(std::min(all.size(), all.find("drive time")));
}

TEST(DriveTimesTest, NearestRankPercentilesOfBothSetsWithinOneFixedCapacity) {
  DriveTimes empty(4);
  EXPECT_EQ(0u, empty.percentile(DriveSet::All, 50));
  EXPECT_EQ(0u, empty.percentile(DriveSet::Served, 50));
  // Served and unserved times interleave, so a figure of every block needs both sets.
  DriveTimes times(100);
  std::vector<uint32_t> all;
  for (uint32_t i = 100; i >= 1; --i) {
    times.add(i * 1000, i % 3 == 0);
    all.push_back(i * 1000);
  }
  times.add(5, true);
  times.add(5, false);
  EXPECT_EQ(2u, times.dropped()) << "no room past the capacity, from either end";
  EXPECT_EQ(100u, times.count(DriveSet::All));
  EXPECT_EQ(33u, times.count(DriveSet::Served));
  std::sort(all.begin(), all.end());
  for (const double p : {0.1, 1.0, 25.0, 50.0, 67.0, 99.0, 100.0})
    EXPECT_EQ(all[static_cast<size_t>(std::max(1.0, std::ceil(p))) - 1],
              times.percentile(DriveSet::All, p))
        << p;
  EXPECT_EQ(51000u, times.percentile(DriveSet::Served, 50)) << "rank 17 of 3, 6 … 99 µs";
  EXPECT_EQ(99000u, times.percentile(DriveSet::Served, 100));
  EXPECT_EQ(3000u, times.percentile(DriveSet::Served, 0.1));
  EXPECT_TRUE(std::all_of(times.served().begin(), times.served().end(), [](uint32_t ns) {
    return ns % 3000 == 0;
  })) << "sorting keeps the sets apart";
  DriveTimes more(4);
  for (const uint64_t ns : {4000, 2000}) more.add(ns, true);
  EXPECT_EQ(2000u, more.percentile(DriveSet::Served, 50));
  more.add(1000, true);
  EXPECT_EQ(1000u, more.percentile(DriveSet::Served, 1)) << "sorted again after an add";
  DriveTimes one(1);
  one.add(uint64_t{1} << 40, true);
  EXPECT_EQ(UINT32_MAX, one.percentile(DriveSet::Served, 99)) << "saturates";
}

// Most blocks given up at once, a few served slowly: every block's figures look fast, and the
// served blocks' line tells what serving costs.
TEST(DriveTimesTest, SummaryGivesTheServedBlocksApartAndSaysWhenThereAreNone) {
  DriveTimes times(100);
  for (int i = 0; i < 90; ++i) times.add(4000, false);
  for (uint64_t ns :
       {700000, 250000, 300000, 260000, 240000, 280000, 310000, 270000, 290000, 230000})
    times.add(ns, true);
  EXPECT_EQ(
      "drive time us: p50 4.0, p99 310.0, max 700.0 (100 blocks)\n"
      "drive time served us: p50 270.0, p99 700.0, max 700.0 (10 blocks)\n",
      driveLines(times));

  DriveTimes silent(8);
  for (int i = 0; i < 3; ++i) silent.add(4000, false);
  EXPECT_EQ(
      "drive time us: p50 4.0, p99 4.0, max 4.0 (3 blocks)\n"
      "drive time served us: none\n",
      driveLines(silent));
}

}  // namespace

// The session picture: the columns gathered from blocks, the drive-time buckets, and the SVG's
// lanes, marks and bars (a whole run drawn through the program is in rwmixer_process_test).
#include "standins/rwmixer/session_picture.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "standins/rwmixer/svg_writer.h"
#include "tests/standins/rwmixer/svg_text.h"

namespace {

using namespace tz::mixer;
using tz::test::count;
using tz::test::titles;

// Blocks of four frames at 1000 Hz over two channels.
struct Blocks {
  float samples[2 * 4] = {};
  BlockSlot slot;
  Blocks() {
    slot.frames = 4;
    slot.transport.rate = 1000;
    slot.samples = samples;
  }
  void add(SessionPicture& picture, std::vector<float> left, float right, bool servedLeft,
           bool servedRight) {
    for (int f = 0; f < 4; ++f) samples[f] = left[f], samples[4 + f] = right;
    slot.served = {};
    if (servedLeft) channelSetAdd(slot.served, 0);
    if (servedRight) channelSetAdd(slot.served, 1);
    picture.add(slot, 4);
  }
};

TEST(SessionPictureTest, ColumnsHoldMinAndMaxAndWidenWhenTheSessionOutgrowsThem) {
  SessionPicture picture({"L", "R"}, 0.002, 8);  // two frames a column
  Blocks blocks;
  blocks.add(picture, {1, -2, 3, 0}, 0.5f, true, true);
  blocks.add(picture, {7, 7, 7, 7}, 0.5f, false, false);  // not served: silence
  blocks.add(picture, {-1, -1, 4, -3}, 9, true, false);
  ASSERT_EQ(6u, picture.columns());
  EXPECT_DOUBLE_EQ(0.012, picture.seconds());
  const auto expect = [&](uint32_t c, uint32_t j, float min, float max, bool unserved) {
    const SessionPicture::Column column = picture.column(c, j);
    EXPECT_EQ(min, column.min) << c << "/" << j;
    EXPECT_EQ(max, column.max) << c << "/" << j;
    EXPECT_EQ(unserved, column.unserved) << c << "/" << j;
  };
  expect(0, 0, -2, 1, false);
  expect(0, 1, 0, 3, false);
  expect(0, 2, 0, 0, true);
  expect(1, 3, 0, 0, true);
  expect(0, 5, -3, 4, false);
  expect(1, 5, 0, 0, true);
  EXPECT_TRUE(picture.column(0, 6).empty());

  blocks.add(picture, {0, 0, 0, 0}, 0, true, true);
  blocks.add(picture, {5, 0, 0, 0}, 0, true, true);  // past eight columns: they double
  EXPECT_DOUBLE_EQ(0.004, picture.columnSeconds());
  EXPECT_EQ(5u, picture.columns());
  EXPECT_EQ(5u, picture.blocks());
  expect(0, 0, -2, 3, false);
  expect(0, 1, 0, 0, true);
  expect(0, 2, -3, 4, false);
  expect(0, 4, 0, 5, false);
}

// Every block's times while none was served; the served blocks' alone once one was.
TEST(SessionPictureTest, DriveTimesFallIntoOneTwoFiveBuckets) {
  DriveTimes times(8);
  for (const uint64_t ns : {9999u, 10000u, 19999u, 1500000u, 1500000u, 3000000000u})
    times.add(ns, false);
  const DriveHistogram histogram = driveHistogram(times);
  const uint64_t expected[DriveHistogram::kBuckets] = {1, 2, 0, 0, 0, 0, 0, 2, 0,
                                                       0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (uint32_t i = 0; i < DriveHistogram::kBuckets; ++i)
    EXPECT_EQ(expected[i], histogram.counts[i]) << "bucket " << i;
  EXPECT_EQ(DriveSet::All, histogram.shown);
  EXPECT_EQ(19999u, histogram.p50);
  EXPECT_EQ(3000000000u, histogram.max);
  EXPECT_NE(std::string::npos, sessionSvg(SessionPicture({"L"}, 0.001), {}, histogram)
                                   .find(">drive time per block; no block was served<"));

  times.add(150000, true);
  const DriveHistogram served = driveHistogram(times);
  EXPECT_EQ(DriveSet::Served, served.shown);
  EXPECT_EQ(1u, served.counts[4]);
  EXPECT_EQ(1u,
            std::accumulate(served.counts, served.counts + DriveHistogram::kBuckets, uint64_t{0}));
  EXPECT_EQ(6u, served.leftOut);
  EXPECT_EQ(150000u, served.p50);
  EXPECT_EQ(150000u, served.max);
}

TEST(SessionPictureTest, SvgHasALanePerChannelAndAPlacedLabelPerMark) {
  SessionPicture picture({"Master-L", "R&B", "C"}, 0.001);
  Blocks blocks;
  for (int k = 0; k < 250; ++k) blocks.add(picture, {0.5f, -0.5f, 0, 0}, 0, true, k != 3);
  const std::vector<Mark> marks = {{32, 0.13, MarkKind::Play},
                                   {137, 0.55, MarkKind::HostLoop, 1, 99000, 102000},
                                   {217, 0.87, MarkKind::Tempo, 0, 97250}};
  DriveTimes times(4);
  times.add(15000, true);
  times.add(3000, false);
  const std::string svg = sessionSvg(picture, {&marks, 2}, driveHistogram(times));

  EXPECT_EQ(0u, svg.rfind("<svg ", 0));
  EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
  EXPECT_EQ((std::vector<std::string>{"Master-L, peak 0.5", "R&amp;B, peak 0", "C, peak 0"}),
            titles(svg, "<g class=\"lane\""));
  EXPECT_EQ(2u, count(svg, "not served</title>")) << "block 3 in R; all of C, never served";
  EXPECT_EQ((std::vector<std::string>{"play at 0.13 s, block 32",
                                      "host loop on at 0.55 s, block 137 (99000 to 102000)",
                                      "tempo 97.25 at 0.87 s, block 217"}),
            titles(svg, "<g class=\"mark\""));
  const double plot = SvgLayout::kPlotWidth;
  for (const double at : {0.13, 0.55, 0.87}) {
    char line[64];
    std::snprintf(line, sizeof line, "<line x1=\"%g\"", SvgLayout::kPlotLeft + at * plot);
    EXPECT_EQ(1u, count(svg, line)) << at << " s";
  }
  EXPECT_EQ(1u, count(svg, ">play</text>"));
  EXPECT_EQ(1u, count(svg, ">host loop on</text>"));
  EXPECT_EQ(1u, count(svg, ">tempo 97.25</text>"));
  EXPECT_NE(std::string::npos, svg.find("2 marks not recorded"));
  EXPECT_EQ(DriveHistogram::kBuckets, count(svg, "<rect class=\"bar\""));
  EXPECT_EQ(1u, count(svg, "10 µs to 20 µs: 1 blocks"));
  EXPECT_NE(std::string::npos, svg.find(">p50 15 µs<"));
  EXPECT_EQ(1u, count(svg, ">drive time per served block; 1 unserved block not shown<"));
  EXPECT_EQ(1u, count(svg, ">1 served blocks<"));
}

}  // namespace

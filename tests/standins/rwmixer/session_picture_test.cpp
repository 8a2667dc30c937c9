// The session picture: the columns gathered from blocks, the drive-time buckets, the SVG's
// lanes, marks and bars, and a whole run drawn through the program.
#include "standins/rwmixer/session_picture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "standins/rwmixer/svg_writer.h"
#include "support/platform/registry.h"

namespace {

using namespace tz::mixer;
namespace fs = std::filesystem;

size_t count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

// The <title> of every element whose tag opens with `opening`.
std::vector<std::string> titles(const std::string& svg, const std::string& opening) {
  std::vector<std::string> found;
  for (size_t at = svg.find(opening); at != std::string::npos; at = svg.find(opening, at + 1)) {
    const size_t from = svg.find("<title>", at) + 7;
    found.push_back(svg.substr(from, svg.find("</title>", from) - from));
  }
  return found;
}

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

TEST(SessionPictureTest, DriveTimesFallIntoOneTwoFiveBuckets) {
  DriveTimes times(8);
  for (const uint64_t ns : {9999u, 10000u, 19999u, 1500000u, 1500000u, 3000000000u}) times.add(ns);
  const DriveHistogram histogram = driveHistogram(times);
  const uint64_t expected[DriveHistogram::kBuckets] = {1, 2, 0, 0, 0, 0, 0, 2, 0,
                                                       0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (uint32_t i = 0; i < DriveHistogram::kBuckets; ++i)
    EXPECT_EQ(expected[i], histogram.counts[i]) << "bucket " << i;
  EXPECT_EQ(19999u, histogram.p50);
  EXPECT_EQ(3000000000u, histogram.max);
}

TEST(SessionPictureTest, SvgHasALanePerChannelAndAPlacedLabelPerMark) {
  SessionPicture picture({"Master-L", "R&B", "C"}, 0.001);
  Blocks blocks;
  for (int k = 0; k < 250; ++k) blocks.add(picture, {0.5f, -0.5f, 0, 0}, 0, true, k != 3);
  const std::vector<Mark> marks = {{32, 0.13, MarkKind::Play},
                                   {137, 0.55, MarkKind::HostLoop, 1, 99000, 102000},
                                   {217, 0.87, MarkKind::Tempo, 0, 97250}};
  DriveTimes times(4);
  times.add(15000);
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
}

// The program as a process, with its own registry and object namespace.
class SessionPictureRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rwmixer-svg-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    setenv("TZ_REGISTRY_ROOT", (dir_ / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", ("rwmixer-svg-" + std::to_string(getpid())).c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TZ_REGISTRY_ROOT");
    unsetenv("TZ_OBJECT_NAMESPACE");
    fs::remove_all(dir_);
  }
  int run(const std::string& args) {
    const std::string command = "timeout -s KILL 60 " RWMIXER_PATH " " + args + " >" +
                                (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string read(const std::string& name) const {
    std::ifstream file(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  fs::path dir_;
};

TEST_F(SessionPictureRunTest, OptionNeedsAValue) {
  EXPECT_EQ(2, run("--blocks 5 --svg"));
  EXPECT_EQ("rwmixer: --svg needs a value; see --help\n", read("err"));
}

// The scripted device asks to play after block 3, to move after 9, for a loop after 12 (which
// it leaves unserved) and to stop after 20; the position wraps at the loop end in block 15.
TEST_F(SessionPictureRunTest, ARunDrawsItsChannelsMarksAndDriveTimes) {
  using namespace tz::platform;
  RegistryKey key;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::create(RegistryRoot::LocalMachine,
                                "SOFTWARE\\Propellerhead Software\\ReWire\\Scripted Device", key));
  const std::string path = RWMIXER_SCRIPTED_DEVICE;
  const std::u16string wide(path.begin(), path.end());
  ASSERT_EQ(PlatformError::Success, key.setValue("Device Path", RegistryType::String, wide.c_str(),
                                                 static_cast<uint32_t>((wide.size() + 1) * 2)));
  const std::string svgPath = (dir_ / "x.svg").string();
  ASSERT_EQ(0, run("--device 'Scripted Device' --blocks 24 --freewheel --tempo-at 0.25:90 --svg " +
                   svgPath))
      << read("err");
  EXPECT_NE(std::string::npos, read("out").find("picture: " + svgPath + "\n"));
  const std::string svg = read("x.svg");
  ASSERT_EQ(0u, svg.rfind("<svg ", 0));
  const std::vector<std::string> lanes = titles(svg, "<g class=\"lane\"");
  ASSERT_EQ(4u, lanes.size());
  EXPECT_EQ(0u, lanes[0].rfind("A, peak 2")) << "the play mode of a starting block";
  EXPECT_EQ(0u, lanes[3].rfind("D, peak 512")) << "the frames";
  EXPECT_EQ(5u, count(svg, "not served</title>")) << "block 12 in every lane, block 7 in D";
  // Blocks of 512 frames at 44100 Hz; the device's requests apply from the next block.
  EXPECT_EQ((std::vector<std::string>{
                "host play at 0.046 s, block 4", "host locate 100000 at 0.116 s, block 10",
                "host loop on at 0.151 s, block 13 (99000 to 102000)", "loop at 0.186 s, block 16",
                "host stop at 0.244 s, block 21", "tempo 90 at 0.255 s, block 22"}),
            titles(svg, "<g class=\"mark\""));
  EXPECT_EQ(1u, count(svg, "1 s to 2 s: 1 blocks")) << "the block that waited";
  EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
}

}  // namespace

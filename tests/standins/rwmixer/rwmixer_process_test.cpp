// The built program, run as a process: its command-line failures, and whole runs through the
// engine stand-in and the library's device half.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "object_presence.h"
#include "run_command.h"
#include "session_registry.h"
#include "tests/common/command_words.h"
#include "tests/common/device_registration.h"
#include "tests/common/isolated_session.h"
#include "tests/standins/rwmixer/svg_text.h"

namespace {

namespace fs = std::filesystem;
using namespace tz::test;

bool isOneErrorLine(const std::string& err) {
  return err.rfind("rwmixer: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

// The run's summary line "name: value" as a string; empty when missing.
std::string summary(const CommandOutcome& outcome, const std::string& name) {
  std::istringstream lines(outcome.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
  return {};
}

struct Wav {
  uint16_t format = 0, channels = 0;
  uint32_t rate = 0, dataBytes = 0;
  std::vector<float> samples;
};

Wav readWav(const fs::path& path) {
  const std::string bytes = readFile(path);
  Wav wav;
  if (bytes.size() < 58 || bytes.compare(0, 4, "RIFF") || bytes.compare(50, 4, "data")) return wav;
  std::memcpy(&wav.format, bytes.data() + 20, 2);
  std::memcpy(&wav.channels, bytes.data() + 22, 2);
  std::memcpy(&wav.rate, bytes.data() + 24, 4);
  std::memcpy(&wav.dataBytes, bytes.data() + 54, 4);
  wav.samples.resize((bytes.size() - 58) / 4);
  std::memcpy(wav.samples.data(), bytes.data() + 58, wav.samples.size() * 4);
  return wav;
}

// Each test has its own registry, with the library installed as the device, and its own
// named-object namespace.
class RwmixerTest : public ::testing::Test {
 protected:
  void SetUp() override { registerDevice("Loopra Pro 7.0", RWMIXER_DEVICE_LIBRARY); }

  // Runs rwmixer with the arguments, split at spaces outside single quotes.
  CommandOutcome run(const std::string& args) {
    return runCommand(RWMIXER_PATH, commandWords(args), "", dir_);
  }
  std::string wavArg() const { return " --out '" + (dir_ / "x.wav").string() + "'"; }

  IsolatedSession session_;
  SessionRegistry sessionRegistry_;
  const fs::path& dir_ = session_.folder();
};

TEST_F(RwmixerTest, UsageAndFailuresBeforeAnyBlock) {
  const CommandOutcome help = run("--help");
  EXPECT_EQ(0, help.status);
  EXPECT_EQ(0u, help.out.rfind("usage: rwmixer", 0));
  // Failures of the command line itself print nothing else.
  const struct {
    std::string args;
    int status;
    const char* mentions;
  } cases[] = {{"--rate fast", 2, "--rate"},
               {"--blocks 5 --svg", 2, "--svg needs a value; see --help"},
               {"--engine '" + (dir_ / "missing.dll").string() + "'", 1, ""},
               {"--device 'Nothing Here'", 2, "Loopra Pro 7.0"}};  // the installed ones
  for (const auto& c : cases) {
    const CommandOutcome bad = run(c.args);
    EXPECT_EQ(c.status, bad.status) << c.args;
    EXPECT_TRUE(isOneErrorLine(bad.err)) << c.args << ": " << bad.err;
    EXPECT_NE(std::string::npos, bad.err.find(c.mentions)) << c.args << ": " << bad.err;
    EXPECT_TRUE(bad.out.empty() || &c >= &cases[2]) << c.args;
  }
}

// Without a panel every block goes unserved. The audio info changes between blocks at 0.2 s of
// mixer time: 18 blocks of 512 at 44100 before it, then 256-frame blocks at 48000 until 0.5 s.
TEST_F(RwmixerTest, FreewheelRunWithoutPanelWritesSilenceAcrossAnAudioInfoChange) {
  const CommandOutcome run =
      this->run("--seconds 0.5 --freewheel --play --audio-info-at 0.2:48000:256" + wavArg());
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ("73", summary(run, "blocks"));
  EXPECT_EQ("0 (partly: 0)", summary(run, "served"));
  EXPECT_EQ("73", summary(run, "not served"));
  EXPECT_EQ("0", summary(run, "time-outs"));
  EXPECT_EQ("none", summary(run, "drive time served us")) << "not figures of zero";
  EXPECT_EQ(0u, summary(run, "drive time us").rfind("p50 ")) << "every block's figures stay";
  EXPECT_EQ(0u, summary(run, "channels").rfind("10 (Master-L, Master-R, Rear-L"));
  const Wav wav = readWav(dir_ / "x.wav");
  EXPECT_EQ(3u, wav.format);
  EXPECT_EQ(10u, wav.channels);
  EXPECT_EQ(44100u, wav.rate) << "the rate it started at";
  EXPECT_EQ((18u * 512 + 55 * 256) * 40, wav.dataBytes);
  EXPECT_EQ(wav.dataBytes / 4, wav.samples.size());
  EXPECT_TRUE(std::all_of(wav.samples.begin(), wav.samples.end(), [](float f) { return f == 0; }));
  EXPECT_EQ(0u, objectsLeftInNamespace()) << "the close releases every named object";
}

// The scripted device echoes the record of every block into its four channels: play mode,
// song position, loop on, frames. It asks to play after block 3, to move after 9, for a loop
// after 12 (which it leaves unserved) and to stop after 20; its events come back in the next
// block's record, and the position wraps at the loop end in block 15. The run is drawn too.
TEST_F(RwmixerTest, TransportEventsServiceAndTimeOutsThroughARealRun) {
  registerDevice("Scripted Device", RWMIXER_SCRIPTED_DEVICE);
  const std::string svgPath = (dir_ / "x.svg").string();
  const CommandOutcome run = this->run("--device 'Scripted Device' --blocks 24 --freewheel " +
                                       ("--tempo-at 0.25:90 --svg '" + svgPath + "'") + wavArg());
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ("23 (partly: 1)", summary(run, "served"));
  EXPECT_EQ("1", summary(run, "not served"));
  EXPECT_EQ("1", summary(run, "time-outs"));
  EXPECT_NE(std::string::npos, summary(run, "drive time served us").find(" (23 blocks)"));
  EXPECT_EQ("play 1, stop 1, reposition 1, loop 1, other 0, beyond capacity 0",
            summary(run, "events"));
  EXPECT_EQ(svgPath, summary(run, "picture"));
  const Wav wav = readWav(dir_ / "x.wav");
  ASSERT_EQ(4u, wav.channels);
  ASSERT_EQ(24u * 512 * 4, wav.samples.size());
  const auto at = [&](int block, int channel) { return wav.samples[block * 512 * 4 + channel]; };
  const float modes[24] = {0, 0, 0, 0, 2, 1, 1, 1, 1, 1, 2, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0};
  for (int k = 0; k < 24; ++k) EXPECT_EQ(modes[k], at(k, 0)) << "play mode of block " << k;
  // 512 frames at 120 beats per minute: 356.66 ticks a block, the remainder carried.
  EXPECT_EQ(0, at(4, 1));
  EXPECT_EQ(1783, at(9, 1));
  EXPECT_EQ(100000, at(10, 1)) << "the reposition";
  EXPECT_EQ(101783, at(15, 1));
  EXPECT_EQ(99139, at(16, 1)) << "wrapped at the loop end";
  EXPECT_EQ(at(21, 1), at(23, 1)) << "stopped";
  EXPECT_EQ(0, at(11, 2));
  EXPECT_EQ(1, at(13, 2)) << "loop on";
  EXPECT_EQ(512, at(6, 3));
  EXPECT_EQ(0, at(7, 3)) << "the unserved channel of a partly served block";
  for (int c = 0; c < 4; ++c) EXPECT_EQ(0, at(12, c)) << "the block that timed out";

  const std::string svg = readText(svgPath);
  ASSERT_EQ(0u, svg.rfind("<svg ", 0));
  EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
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
  // The histogram shows the served blocks; the one that waited is left out and said to be.
  EXPECT_EQ(1u, count(svg, ">drive time per served block; 1 unserved block not shown<"));
  EXPECT_EQ(1u, count(svg, ">23 served blocks<"));
}

}  // namespace

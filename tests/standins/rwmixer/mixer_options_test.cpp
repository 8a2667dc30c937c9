#include "standins/rwmixer/mixer_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using tz::mixer::ActionKind;
using tz::mixer::ParsedOptions;

// Parses the words of the line, split at spaces.
ParsedOptions parse(const std::string& line) {
  std::vector<std::string> words{"rwmixer"};
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  std::vector<const char*> args;
  for (const auto& word : words) args.push_back(word.c_str());
  return tz::mixer::parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(MixerOptionsTest, DefaultsAndAFullCommandLine) {
  const ParsedOptions defaults = parse("");
  ASSERT_TRUE(defaults.ok) << defaults.error;
  EXPECT_EQ("Loopra Pro 7.0", defaults.options.device);
  EXPECT_EQ(44100u, defaults.options.rate);
  EXPECT_EQ(512u, defaults.options.block);
  EXPECT_EQ(120000u, defaults.options.tempo);
  EXPECT_EQ(0, defaults.options.loopStart);
  EXPECT_EQ(4 * 61440, defaults.options.loopEnd) << "four bars of 4/4";

  const ParsedOptions full = parse(
      "--engine=/x/ReWire.dll --device Other --rate 48000 --block=256 --blocks 200 --freewheel "
      "--tempo 97.25 --loop 2b:3b --signature 3/8 --loop-on --stop-at 2 --locate-at 1:3b --play "
      "--tempo-at 1:60 --audio-info-at 1.5:96000:1024 --quit-panel-at 2 --out a.wav");
  ASSERT_TRUE(full.ok) << full.error;
  const auto& o = full.options;
  EXPECT_EQ("/x/ReWire.dll", o.enginePath);
  EXPECT_EQ(48000u, o.rate);
  EXPECT_EQ(200u, o.blocks);
  EXPECT_EQ(97250u, o.tempo);
  EXPECT_EQ(3u, o.numerator);
  EXPECT_EQ(8u, o.denominator);
  EXPECT_EQ(23040, o.loopStart) << "bars resolve with the signature given after them";
  EXPECT_EQ(46080, o.loopEnd);
  EXPECT_TRUE(o.loopOn && o.freewheel);
  EXPECT_EQ(1024u, tz::mixer::largestBlock(o));
  ASSERT_EQ(6u, o.script.size());
  const ActionKind order[] = {ActionKind::Play,      ActionKind::Locate, ActionKind::Tempo,
                              ActionKind::AudioInfo, ActionKind::Stop,   ActionKind::QuitPanel};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(order[i], o.script[i].kind) << "by time, then as given";
  EXPECT_EQ(46080, o.script[1].ticks);
  EXPECT_EQ(60000u, o.script[2].tempo);
  EXPECT_EQ(96000u, o.script[3].rate);
}

TEST(MixerOptionsTest, BadOptionsGiveOneLineNamingTheOption) {
  std::vector<std::string> bad = {"--bogus",         "stray",         "--rate",
                                  "--rate 44k",      "--rate 999",    "--block 0",
                                  "--block 16385",   "--tempo 0.5",   "--tempo 1.2345",
                                  "--signature 4/3", "--signature 4", "--loop 3b:2b",
                                  "--loop 0b:2b",    "--seconds inf", "--seconds 1e3",
                                  "--seconds -1",    "--launch=1",    "--events 0",
                                  "--out=",          "--locate-at 1", "--audio-info-at 1:48000"};
  bad.push_back("--seconds 1 --blocks 2");                   // conflicting
  bad.push_back("--seconds 86400 --rate 768000 --block 1");  // too many blocks
  for (const std::string& line : bad) {
    const ParsedOptions parsed = parse(line);
    EXPECT_FALSE(parsed.ok) << line;
    EXPECT_FALSE(parsed.error.empty()) << line;
    EXPECT_EQ(std::string::npos, parsed.error.find('\n')) << parsed.error;
    const size_t space = line.find(' ');  // an option given one value is named
    const bool named = line[0] != '-' || space == line.npos ||
                       line.find(' ', space + 1) != line.npos ||
                       parsed.error.find(line.substr(0, space)) != std::string::npos;
    EXPECT_TRUE(named) << parsed.error;
  }
}

TEST(MixerOptionsTest, HelpWinsAndTheBlockBoundCoversEveryChange) {
  EXPECT_TRUE(parse("--rate 48000 --help").help);
  const ParsedOptions run = parse("--seconds 1 --audio-info-at 0.5:96000:64");
  ASSERT_TRUE(run.ok) << run.error;
  // 0.5 s of 512-frame blocks at 44100 is 44 blocks, the rest at 96000/64 is at most 750.
  EXPECT_GE(tz::mixer::plannedBlockBound(run.options), 44u + 750u);
}

}  // namespace

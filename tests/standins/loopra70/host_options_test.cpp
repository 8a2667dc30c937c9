#include "standins/loopra70/host_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "standins/loopra70/transport_requests.h"

namespace {

using tz::host::ParsedOptions;
using tz::host::RequestKind;

// Parses the words of the line, split at spaces.
ParsedOptions parse(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  const std::vector<std::string_view> args(words.begin(), words.end());
  return tz::host::parseOptions(args);
}

TEST(HostOptionsTest, TheDevicesLaunchLineAndAFullScript) {
  const ParsedOptions launched = parse("-REWIREDEVICE");
  ASSERT_TRUE(launched.ok) << launched.error;
  EXPECT_TRUE(launched.options.launchedByDevice);
  EXPECT_TRUE(launched.options.libraryPath.empty());
  EXPECT_EQ(0, launched.options.seconds) << "runs until told to quit";
  EXPECT_FALSE(launched.options.idle) << "renders the test signal";

  const ParsedOptions full = parse(
      "--library=/x/L.so --quiet --seconds 4.5 --stop-at 2.5 --loop-at 2:0:98304 "
      "--play-at 1.0 --locate-at=1.5:24576 --loop-off-at 2 --list-ports --idle");
  ASSERT_TRUE(full.ok) << full.error;
  const auto& o = full.options;
  EXPECT_EQ("/x/L.so", o.libraryPath);
  EXPECT_TRUE(o.quiet && o.listPorts && o.idle);
  EXPECT_EQ(4.5, o.seconds);
  ASSERT_EQ(5u, o.requests.size());
  const RequestKind order[] = {RequestKind::Play, RequestKind::Locate, RequestKind::Loop,
                               RequestKind::LoopOff, RequestKind::Stop};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(order[i], o.requests[i].kind) << "by time, then order";
  EXPECT_EQ(1.5, o.requests[1].seconds);

  // The locate slot takes a loop as start and length; what is not asked for stays negative.
  const auto locate = tz::host::locateArguments(o.requests[1]);
  EXPECT_EQ(24576, locate.position);
  EXPECT_EQ(-1, locate.loopStart);
  EXPECT_EQ(-1, locate.loopOn);
  const auto loop = tz::host::locateArguments(o.requests[2]);
  EXPECT_EQ(-1, loop.position);
  EXPECT_EQ(0, loop.loopStart);
  EXPECT_EQ(98304, loop.loopLength);
  EXPECT_EQ(1, loop.loopOn);
  EXPECT_EQ(0, tz::host::locateArguments(o.requests[3]).loopOn);
}

TEST(HostOptionsTest, BadOptionsNameWhatIsWrong) {
  const struct {
    const char* line;
    const char* mentions;
  } cases[] = {{"--play-at soon", "--play-at"},        {"--seconds -1", "--seconds"},
               {"--seconds 1e3", "--seconds"},         {"--locate-at 1", "SECONDS:TICKS"},
               {"--locate-at 1:-5", "--locate-at"},    {"--loop-at 1:100:50", "after its start"},
               {"--loop-at 1:0", "SECONDS:START:END"}, {"--quiet=yes", "takes no value"},
               {"--seconds", "needs a value"},         {"--rewiredevice", "unknown option"},
               {"stray", "unexpected argument"}};
  for (const auto& c : cases) {
    const ParsedOptions parsed = parse(c.line);
    EXPECT_FALSE(parsed.ok) << c.line;
    EXPECT_NE(std::string::npos, parsed.error.find(c.mentions)) << c.line << ": " << parsed.error;
    EXPECT_EQ(std::string::npos, parsed.error.find('\n')) << c.line;
  }
  const ParsedOptions help = parse("--help --nothing");
  EXPECT_TRUE(help.help && help.ok) << "help ends the reading";
}

}  // namespace

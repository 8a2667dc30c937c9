// The built host run as a process from an installed tree (<tmp>/Loopra/loopra70.exe with the
// driver in "Audio Hardware Drivers" beside it): its command-line failures, and whole sessions
// in which the mixer stand-in launches it through the driver's device half.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "environment_variable.h"
#include "run_command.h"
#include "session_registry.h"
#include "support/platform/module.h"
#include "tests/common/child_process.h"
#include "tests/common/command_words.h"
#include "tests/common/device_registration.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tz::test;

std::vector<std::string> linesOf(const std::string& text, const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  return found;
}

// The value of "name: value", or of the word "name=value" in a callback line; empty if absent.
std::string field(const std::string& text, const std::string& name) {
  const auto lines = linesOf(text, name + ": ");
  if (!lines.empty()) return lines.front().substr(name.size() + 2);
  const size_t at = text.find(" " + name + "=");
  if (at == std::string::npos) return {};
  const size_t start = at + name.size() + 2;
  return text.substr(start, text.find(' ', start) - start);
}

// Code 23 lines whose change flags hold every bit of `flags`.
std::vector<std::string> changes(const std::string& out, unsigned flags) {
  std::vector<std::string> found;
  for (const std::string& line : linesOf(out, "callback 23 "))
    if ((std::stoul(field(line, "arg"), nullptr, 16) & flags) == flags) found.push_back(line);
  return found;
}

// The number before the first space of a "name: value" line.
std::string leading(const std::string& value) {
  return value.substr(0, value.find(' '));
}

// The process id in the host's "host: pid N" line; 0 when there is none.
int hostPid(const std::string& out) {
  const std::string pid = field(out, "host");
  return pid.rfind("pid ", 0) == 0 ? std::atoi(pid.c_str() + 4) : 0;
}

class Loopra70Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path drivers = dir_ / "Loopra" / "Audio Hardware Drivers";
    fs::create_directories(drivers);
    fs::copy_file(LOOPRA70_PATH, host());
    // The engine where the loader looks first for the host's plain-named load of it.
    fs::copy_file(TZ_ENGINE_FILE, dir_ / "Loopra" / fs::path(TZ_ENGINE_FILE).filename());
    fs::copy_file(TZ_LIBRARY_FILE, library());
    if (fs::exists(TZ_LANGUAGE_FILE)) fs::copy_file(TZ_LANGUAGE_FILE, drivers / "LoopraReWire.LNG");
    registerDevice("Loopra Pro 7.0", library());
  }
  void TearDown() override {
    if (hostPid_ > 0 && !waitUntilEnded(hostPid_, 0)) killProcess(hostPid_);
    removeEnvironmentVariable("TZ_LOOPRA70_OPTIONS");
  }

  fs::path host() const { return dir_ / "Loopra" / "loopra70.exe"; }
  fs::path library() const {
    return dir_ / "Loopra" / "Audio Hardware Drivers" /
           (std::string("LoopraReWire") + tz::platform::kLibrarySuffix);
  }
  // Runs a program with the arguments, split at spaces outside single quotes, for up to a
  // minute: a session waits for the host's start.
  CommandOutcome run(const std::string& program, const std::string& args) {
    return runCommand(program, commandWords(args), "", dir_, 60000);
  }
  CommandOutcome runHost(const std::string& args) { return run(host().string(), args); }

  // A session: the mixer launches the host, whose options come from the environment; returns
  // once the host has ended as well.
  CommandOutcome session(const std::string& hostArgs, const std::string& mixerArgs) {
    setEnvironmentVariable("TZ_LOOPRA70_OPTIONS", hostArgs.c_str());
    const CommandOutcome mixer = run(RWMIXER_PATH, "--launch --wait-panel 20 " + mixerArgs);
    EXPECT_EQ(0, mixer.status) << mixer.err;
    hostPid_ = hostPid(readText(dir_ / "out"));
    EXPECT_GT(hostPid_, 0) << "the mixer did not launch the host:\n" << readText(dir_ / "out");
    // The host is not our child: the mixer launched it.
    EXPECT_TRUE(waitUntilEnded(hostPid_, 30000)) << "the host did not end";
    return {0, readText(dir_ / "out"), readText(dir_ / "err")};
  }

  IsolatedSession session_;
  SessionRegistry sessionRegistry_;
  const fs::path& dir_ = session_.folder();
  int hostPid_ = 0;
};

// Nothing of the host's may fail: no error line of its own and no sanitizer report.
void expectCleanHost(const CommandOutcome& outcome) {
  EXPECT_EQ(std::string::npos, outcome.err.find("loopra70.exe: ")) << outcome.err;
  EXPECT_EQ(std::string::npos, outcome.err.find("Sanitizer")) << outcome.err;
  const std::string shutdown = field(outcome.out, "shutdown");
  EXPECT_EQ(0u, shutdown.rfind("Halt 0x0", 0)) << shutdown;
  for (const char* step :
       {" Stop 0x0", " Close 0x0", " Detach 0x0", " Terminate 0x0", " Release 0"})
    EXPECT_NE(std::string::npos, shutdown.find(step)) << shutdown;
}

TEST_F(Loopra70Test, UsageAndCommandLineFailures) {
  const CommandOutcome help = runHost("--help");
  EXPECT_EQ(0, help.status);
  EXPECT_EQ(0u, help.out.rfind("usage: loopra70.exe", 0));
  const std::string missing = (dir_ / "missing.dll").string();
  const struct {
    std::string args;
    int status;
    const char* mentions;
  } cases[] = {{"--stop-at later", 2, "--stop-at"},
               {"--library '" + missing + "'", 1, "missing.dll"}};
  for (const auto& c : cases) {
    const CommandOutcome bad = runHost(c.args);
    EXPECT_EQ(c.status, bad.status) << c.args;
    EXPECT_EQ(0u, bad.err.rfind("loopra70.exe: ", 0)) << c.args << ": " << bad.err;
    EXPECT_EQ(bad.err.size() - 1, bad.err.find('\n')) << "one line: " << bad.err;
    EXPECT_NE(std::string::npos, bad.err.find(c.mentions)) << bad.err;
  }
  setEnvironmentVariable("TZ_LOOPRA70_OPTIONS", "--seconds soon");
  EXPECT_EQ(2, runHost("").status) << "the environment's options are read too";
}

TEST_F(Loopra70Test, WithoutAMixerItSaysSoAndEnds) {
  const CommandOutcome alone = runHost("");
  EXPECT_EQ(0, alone.status) << alone.err;
  EXPECT_EQ(1u, linesOf(alone.out, "no mixer application is running").size()) << alone.out;
  EXPECT_EQ(0u, linesOf(alone.out, "callback").size());
}

// The host asks for play at 0.4 s, a move at 0.8 s, a loop at 1.1 s and stop at 1.5 s; the
// mixer (3/4, 120 beats per minute) changes the tempo at 0.2 s and asks the host to quit at
// 2 s, half a second before its end. Host time and mixer time start at different moments, so only
// the order within each side counts.
TEST_F(Loopra70Test, TheMixerLaunchesTheHostAndTheyExchangeTransport) {
  const CommandOutcome o =
      session("--quiet --play-at 0.4 --locate-at 0.8:49152 --loop-at 1.1:0:196608 --stop-at 1.5",
              "--seconds 2.5 --signature 3/4 --tempo-at 0.2:140 --quit-panel-at 2");
  expectCleanHost(o);
  EXPECT_EQ("play 1, stop 1, reposition 1, loop 1, other 0, beyond capacity 0",
            field(o.out, "events"))
      << o.out;
  // Blocks before the host opened the device go unserved; from then on each reaches it.
  EXPECT_EQ(leading(field(o.out, "served")), field(o.out, "blocks seen")) << o.out;
  EXPECT_EQ("0", field(o.out, "time-outs"));
  EXPECT_EQ("the mixer asked the host to quit", field(o.out, "quit"));
  for (const char* request : {"play at 0.400", "locate at 0.800", "loop at 1.100", "stop at 1.500"})
    EXPECT_EQ(1u, linesOf(o.out, std::string("request ") + request + " s: 0").size()) << request;

  // Transport sync reports every field on the next block.
  const auto full = changes(o.out, 0xF0);
  ASSERT_FALSE(full.empty()) << o.out;
  EXPECT_EQ("3/4", field(full.back(), "signature"));
  EXPECT_EQ("24576", field(full.back(), "tpq"));
  const auto tempo = changes(o.out, 0x10);
  ASSERT_LE(2u, tempo.size());
  EXPECT_EQ("120.000", field(tempo.front(), "tempo"));
  EXPECT_EQ("140.000", field(tempo.back(), "tempo"));
  // The loop went to the mixer at 15360 ticks a quarter note, 0 to 122880, and came back.
  const auto loop = changes(o.out, 0x40);
  ASSERT_LE(2u, loop.size());
  EXPECT_EQ("0", field(loop.front(), "loopon"));
  EXPECT_EQ("0:196608", field(loop.back(), "loop"));
  EXPECT_EQ("1", field(loop.back(), "loopon"));

  // Play starts once (22), the move while playing restarts in place (20), stop ends it (21).
  const auto lines = [&](int code) {
    return linesOf(o.out, "callback " + std::to_string(code) + " ");
  };
  EXPECT_EQ(1u, lines(22).size());
  const auto restarts = lines(20);
  ASSERT_EQ(1u, restarts.size());
  EXPECT_EQ("49152", field(restarts.front(), "song"));
  EXPECT_EQ(1u, lines(21).size());
  EXPECT_EQ(1u, lines(24).size());
}

// Host first: the mixer serves silence once the panel is gone. Mixer first: the host's worker
// finds the connection down, the host that the mixer launched hears it as a quit request and
// closes cleanly, long before its own time is up.
TEST_F(Loopra70Test, TeardownInEitherOrder) {
  const CommandOutcome hostFirst = session("--quiet --seconds 0.5", "--seconds 2");
  expectCleanHost(hostFirst);
  EXPECT_EQ("time is up", field(hostFirst.out, "quit"));
  EXPECT_NE("0", field(hostFirst.out, "not served")) << "the blocks after the host left";
  EXPECT_EQ("0", field(hostFirst.out, "time-outs"));

  const CommandOutcome mixerFirst = session("--quiet --seconds 20", "--seconds 0.5");
  expectCleanHost(mixerFirst);
  EXPECT_EQ("the mixer asked the host to quit", field(mixerFirst.out, "quit"));
  EXPECT_EQ("0", field(mixerFirst.out, "time-outs"));
  EXPECT_EQ(leading(field(mixerFirst.out, "served")), field(mixerFirst.out, "blocks seen"));
}

// A mixer killed in the middle of a session: the launched host notices within a few seconds
// that its device half is gone, lets go of everything shared and quits, and the next mixer's
// session is whole, with no stale worker taking its wake-ups.
TEST_F(Loopra70Test, AKilledMixerLeavesNoHostAndTheNextSessionIsWhole) {
  setEnvironmentVariable("TZ_LOOPRA70_OPTIONS", "--quiet --seconds 60");
  {
    // The launched host writes to the mixer's output, which it inherits.
    ChildProcess mixer({RWMIXER_PATH, "--launch", "--wait-panel", "20", "--seconds", "60"}, {},
                       dir_ / "out", dir_ / "err");
    ASSERT_TRUE(
        eventually([&] { return !linesOf(readText(dir_ / "out"), "running:").empty(); }, 30s))
        << readText(dir_ / "out");
  }
  const std::string killed = readText(dir_ / "out");
  hostPid_ = hostPid(killed);
  ASSERT_GT(hostPid_, 0) << killed;
  EXPECT_TRUE(waitUntilEnded(hostPid_, 10000)) << "the host outlived its mixer";
  const std::string host = readText(dir_ / "out");
  EXPECT_EQ("the mixer asked the host to quit", field(host, "quit")) << host;

  const CommandOutcome next = session("--quiet --seconds 20", "--seconds 1.5 --play --verify");
  expectCleanHost(next);
  EXPECT_EQ("0", field(next.out, "time-outs"));
  EXPECT_NE("0", leading(field(next.out, "served")));
}

// The mixer's block grows eightfold and fourfold again, shrinks to 64 frames and grows back
// while the host plays: after every change the host renders into the new block, never past its
// own buffers, and every served sample is the test signal's.
TEST_F(Loopra70Test, BlockSizeChangesKeepTheSessionExact) {
  const CommandOutcome o = session("--quiet --seconds 20",
                                   "--block 128 --seconds 3 --play --verify --quit-panel-at 2.8 "
                                   "--audio-info-at 0.5:44100:1024 --audio-info-at 1:44100:4096 "
                                   "--audio-info-at 1.5:44100:64 --audio-info-at 2:48000:512");
  expectCleanHost(o);
  const std::string verify = field(o.out, "verify");
  EXPECT_EQ(0u, verify.rfind("passed;", 0)) << verify;
  EXPECT_NE(std::string::npos, verify.find("lost 0, wrong samples 0")) << verify;
  EXPECT_EQ("0", field(o.out, "time-outs"));
  EXPECT_EQ(4u, linesOf(o.out, "callback 13 ").size()) << "one new format per change";
}

// A second mixer opens the same device while the first one waits for its host: the engine
// refuses it before anything shared is touched, so the host that comes next finds the first
// mixer's rate and block size and the session is exact.
TEST_F(Loopra70Test, ASecondMixersFailedOpenLeavesTheSessionAlone) {
  const fs::path first = dir_ / "first.out", firstErr = dir_ / "first.err";
  ChildProcess mixer({RWMIXER_PATH, "--wait-panel", "20", "--seconds", "2", "--play", "--verify"},
                     {}, first, firstErr);
  ASSERT_TRUE(eventually([&] { return !linesOf(readText(first), "opened:").empty(); }, 30s))
      << readText(firstErr);
  const CommandOutcome second = run(RWMIXER_PATH, "--rate 48000 --block 256 --seconds 0.2");
  EXPECT_EQ(1, second.status) << second.out << second.err;
  const CommandOutcome host = runHost("--quiet --seconds 3");
  expectCleanHost(host);
  EXPECT_EQ(0, mixer.wait(30000)) << readText(firstErr);
  EXPECT_EQ(std::string::npos, (readText(firstErr) + second.err).find("Sanitizer"));
  EXPECT_EQ("tag=3 channels=2 rate=44100 bits=32", field(host.out, "format"));
  const std::string verify = field(readText(first), "verify");
  EXPECT_NE(std::string::npos, verify.find("lost 0, wrong samples 0")) << verify;
}

}  // namespace

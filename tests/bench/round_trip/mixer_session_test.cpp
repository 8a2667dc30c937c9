// The benchmark's sessions leave nothing behind: the host the driver launched has exited and
// been reaped, and the mixer's output is gone, whether the session ran to its end or failed.
#include "bench/round_trip/mixer_session.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/common/device_registration.h"
#include "tests/common/isolated_session.h"

namespace {

namespace fs = std::filesystem;
using tz::bench::runSession;

// The id in the host's "host: pid N" line; 0 when there is none.
pid_t hostPid(const std::string& out) {
  const size_t at = out.find("host: pid ");
  return at == std::string::npos ? 0 : static_cast<pid_t>(std::atol(out.c_str() + at + 10));
}

// Gone and reaped: a zombie still answers to its id.
bool gone(pid_t pid) {
  return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

struct MixerSessionTest : ::testing::Test {
  tz::test::IsolatedSession session;
};

TEST_F(MixerSessionTest, ARunToItsEndReportsAndLeavesNothing) {
  EXPECT_FALSE(runSession(session.folder(), {200, true, false}).ok) << "no device registered";
  tz::test::registerDevice("Loopra Pro 7.0", TZ_INSTALLED_LIBRARY);
  const auto run = runSession(session.folder(), {2000, false, true});
  ASSERT_TRUE(run.ok) << run.error << run.out;
  EXPECT_NE(std::string::npos, run.out.find("verify: passed")) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("quit: the mixer asked the host to quit")) << run.out;
  EXPECT_TRUE(gone(hostPid(run.out))) << run.out;
  EXPECT_FALSE(fs::exists(session.folder() / "mixer.out"));
}

// The mixer dies while it drives: its host, which the driver launched, is still seen out.
TEST_F(MixerSessionTest, AFailedRunLeavesNoHostBehind) {
  tz::test::registerDevice("Loopra Pro 7.0", TZ_INSTALLED_LIBRARY);
  pid_t host = 0;
  const auto run = runSession(session.folder(), {1000000, true, false},
                              [&](pid_t mixer, pid_t launched, std::string& error) {
                                host = launched;
                                kill(mixer, SIGKILL);
                                error = "the mixer was killed";
                                return false;
                              });
  EXPECT_FALSE(run.ok);
  EXPECT_EQ("the mixer was killed", run.error);
  ASSERT_NE(0, host) << run.out;
  EXPECT_EQ(host, hostPid(run.out));
  EXPECT_TRUE(gone(host)) << run.out;
  EXPECT_FALSE(fs::exists(session.folder() / "mixer.out"));
}

}  // namespace

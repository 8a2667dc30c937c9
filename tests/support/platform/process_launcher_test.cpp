#include "support/platform/process_launcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;
constexpr uint32_t kDeadlineMs = 10000;
const std::string kHelper = std::string("\"") + TZ_LAUNCH_HELPER + "\"";

// A temporary folder with the helper program in a subfolder "a b". Helpers launched meanwhile
// report their directory and arguments to a file in it (TZ_LAUNCH_OUTPUT is inherited).
struct LaunchFolder : tz::test::ScratchFolder {
  tz::test::ScopedEnv output{"TZ_LAUNCH_OUTPUT", (path / "report").string()};

  LaunchFolder() {
    fs::create_directory(path / "a b");
    fs::create_symlink(TZ_LAUNCH_HELPER, path / "a b" / "helper");
  }
  Args run(const std::string& commandLine) const {
    Process process;
    EXPECT_EQ(Success, launchProcess(commandLine, process)) << commandLine;
    EXPECT_EQ(Success, process.wait(kDeadlineMs));
    EXPECT_EQ(0u, process.exitCode());
    std::ifstream in(path / "report", std::ios::binary);
    Args reported;
    for (std::string item; std::getline(in, item, '\0');) reported.push_back(item);
    return reported;
  }
};

TEST(Process, SplitsArgumentsByTheCRuntimeRules) {
  const std::pair<const char*, Args> cases[] = {
      {"", {}},
      {" \t a\tb  ", {"a", "b"}},
      {R"(a "b c" d)", {"a", "b c", "d"}},
      {R"("" x"y z"w)", {"", "xy zw"}},
      {R"(a\b c\\d e\)", {R"(a\b)", R"(c\\d)", R"(e\)"}},
      {R"(a\"b a\\"b c" a\\\"b)", {R"(a"b)", R"(a\b c)", R"(a\"b)"}},
      {R"("a""b" "c)", {R"(a"b)", "c"}},
  };
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(expected, tz::platform::splitCommandLineArguments(line)) << line;
}

TEST(Process, FindsTheProgramInAnUnquotedOrQuotedLine) {
  LaunchFolder folder;
  const std::string program = (folder.path / "a b" / "helper").string();
  const std::string here = fs::current_path().string();
  EXPECT_EQ((Args{here, program, "x", "y z"}), folder.run(program + R"( x "y z")"));
  EXPECT_EQ((Args{here, program, "x"}), folder.run("  \"" + program + "\"x  "));
  // Prefixes are tried from the left, so a program at the first space wins.
  fs::create_symlink(TZ_LAUNCH_HELPER, folder.path / "a");
  EXPECT_EQ((Args{here, (folder.path / "a").string(), "b/helper", "x"}),
            folder.run(program + " x"));
}

TEST(Process, WaitsForReadinessForTheEndOrForTheTimeOut) {
  Process ready, exited, silent;
  ASSERT_EQ(Success, launchProcess(kHelper + " ready", ready));
  ASSERT_EQ(Success, launchProcess(kHelper + " exit 3", exited));
  ASSERT_EQ(Success, launchProcess(kHelper + " silent", silent));

  EXPECT_EQ(Process::Readiness::Ready, ready.waitUntilReady(kDeadlineMs));
  EXPECT_EQ(Process::Readiness::Ready, ready.waitUntilReady(0));
  EXPECT_EQ(Success, ready.terminate());
  EXPECT_EQ(Success, ready.wait(kDeadlineMs));
  EXPECT_EQ(128u + SIGKILL, ready.exitCode());

  EXPECT_EQ(Process::Readiness::Exited, exited.waitUntilReady(kDeadlineMs));
  EXPECT_EQ(Success, exited.wait(0));
  EXPECT_EQ(3u, exited.exitCode());

  EXPECT_EQ(Process::Readiness::TimedOut, silent.waitUntilReady(50));
  EXPECT_EQ(Timeout, silent.wait(0));
  EXPECT_EQ(Process::StillActive, silent.exitCode());
  Process owner(std::move(silent));
  EXPECT_FALSE(silent.valid());
  EXPECT_EQ(Success, owner.terminate());
  EXPECT_EQ(Success, owner.wait(kDeadlineMs));
}

TEST(Process, ChildGetsNoneOfOurOpenFiles) {
  // Above the readiness channel's number, and without close-on-exec.
  const int inheritable = fcntl(STDERR_FILENO, F_DUPFD, 20);
  ASSERT_GE(inheritable, 20);
  Process process;
  ASSERT_EQ(Success, launchProcess(kHelper + " closed " + std::to_string(inheritable), process));
  close(inheritable);
  ASSERT_EQ(Success, process.wait(kDeadlineMs));
  EXPECT_EQ(0u, process.exitCode()) << "descriptor " << inheritable << " was inherited";
}

TEST(Process, FailsWhenNothingCanBeStarted) {
  LaunchFolder folder;
  tz::test::writeFile(folder.path / "text", "not a program\n");
  fs::permissions(folder.path / "text", fs::perms::owner_all);
  tz::test::writeFile(folder.path / "plain", "not executable\n");
  Process held;
  ASSERT_EQ(Success, launchProcess(kHelper + " silent", held));
  const std::pair<std::string, PlatformError> cases[] = {
      {" \t ", InvalidParameter},
      {(folder.path / "absent").string() + " x", FileNotFound},
      {'"' + (folder.path / "a b").string() + "\" x", FileNotFound},
      {(folder.path / "plain").string(), FileNotFound},
      {"tz_no_such_program_anywhere -x", FileNotFound},
      {(folder.path / "text").string(), BadExeFormat},
  };
  const uint32_t id = held.id();
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(expected, launchProcess(line, held)) << line;
    EXPECT_EQ(id, held.id()) << "a failed launch keeps what was held";
  }
  EXPECT_EQ(Success, held.terminate());
  Process none;
  EXPECT_EQ(InvalidHandle, none.wait(0));
  EXPECT_EQ(InvalidHandle, none.terminate());
  EXPECT_EQ(Process::Readiness::Exited, none.waitUntilReady(0));
}

}  // namespace

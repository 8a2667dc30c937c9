#include "support/platform/process_launcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "inherited_handle.h"
#include "launch_rules.h"
#include "tests/common/scoped_env.h"
#include "tests/common/scratch_folder.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;
constexpr uint32_t kDeadlineMs = 10000;
constexpr uint32_t kTerminated = 128 + 9;  // as by signal 9
const std::string kHelper = std::string("\"") + TZ_LAUNCH_HELPER + "\"";
// ".exe" where programs need it: the system adds it to a name without one.
const std::string kExe = fs::path(TZ_LAUNCH_HELPER).extension().string();

// A temporary folder with a copy of the helper program in a subfolder "a b". Helpers launched
// meanwhile report their directory and arguments to a file in it (TZ_LAUNCH_OUTPUT is
// inherited).
struct LaunchFolder : tz::test::ScratchFolder {
  tz::test::ScopedEnv output{"TZ_LAUNCH_OUTPUT", (path / "report").string()};

  LaunchFolder() {
    fs::create_directory(path / "a b");
    fs::copy_file(TZ_LAUNCH_HELPER, path / "a b" / ("helper" + kExe));
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

// The reported arguments after the directory, joined by spaces: a C runtime that ends an
// unquoted argument 0 at its first space splits a program path there, which joining undoes.
std::string joined(const Args& reported) {
  std::string line;
  for (size_t i = 1; i < reported.size(); ++i) line += (i > 1 ? " " : "") + reported[i];
  return line;
}

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
  const std::string program = (folder.path / "a b" / ("helper" + kExe)).string();
  const std::string here = fs::current_path().string();
  Args reported = folder.run(program + R"( x "y z")");
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(here, reported.front());
  EXPECT_EQ(program + " x y z", joined(reported));
  EXPECT_EQ("y z", reported.back()) << "quotes group";
  EXPECT_EQ((Args{here, program, "x"}), folder.run("  \"" + program + "\"\tx  "));
  // Prefixes are tried from the left, so a program at the first space wins.
  const std::string first = (folder.path / "a").string();
  fs::copy_file(TZ_LAUNCH_HELPER, first + kExe);
  reported = folder.run(program + " x");
  ASSERT_GE(reported.size(), 2u);
  EXPECT_EQ(first, reported[1]);
  EXPECT_EQ(first + " " + fs::path("b").append("helper" + kExe).string() + " x", joined(reported));
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
  EXPECT_EQ(kTerminated, ready.exitCode());

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
  const long inheritable = tz::test::makeInheritableHandle();
  ASSERT_GE(inheritable, 0);
  Process process;
  ASSERT_EQ(Success, launchProcess(kHelper + " closed " + std::to_string(inheritable), process));
  tz::test::closeHandleNumber(inheritable);
  ASSERT_EQ(Success, process.wait(kDeadlineMs));
  EXPECT_EQ(0u, process.exitCode()) << "handle " << inheritable << " was inherited";
}

TEST(Process, FailsWhenNothingCanBeStarted) {
  LaunchFolder folder;
  tz::test::writeFile(folder.path / ("text" + kExe), "not a program\n");
  fs::permissions(folder.path / ("text" + kExe), fs::perms::owner_all);
  tz::test::writeFile(folder.path / "plain", "not executable\n");
  Process held;
  ASSERT_EQ(Success, launchProcess(kHelper + " silent", held));
  const std::pair<std::string, PlatformError> cases[] = {
      {" \t ", InvalidParameter},
      {(folder.path / "absent").string() + " x", FileNotFound},
      {(folder.path / "no folder" / "absent").string() + " x", FileNotFound},
      {'"' + (folder.path / "a b").string() + "\" x", tz::test::kFolderLaunched},
      {(folder.path / "plain").string(), tz::test::kNonExecutableLaunched},
      {"tz_no_such_program_anywhere -x", FileNotFound},
      {(folder.path / ("text" + kExe)).string(), BadExeFormat},
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

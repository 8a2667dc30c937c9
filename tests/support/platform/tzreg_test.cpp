#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform/registry.h"

extern char** environ;

namespace {

using namespace std::literals;
using tz::platform::PlatformError;
using tz::platform::RegistryKey;
using tz::platform::RegistryRoot;
using tz::platform::RegistryType;
namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

class TzregTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tzreg-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    setenv("TZ_REGISTRY_ROOT", (dir_ / "store").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TZ_REGISTRY_ROOT");
    fs::remove_all(dir_);
  }

  // Runs the tool with `input` on stdin; gives up on it after 10 s.
  Outcome tzreg(std::vector<std::string> args, const std::string& input = "") {
    std::ofstream(dir_ / "in") << input;
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, (dir_ / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (dir_ / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (dir_ / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), TZREG_PATH);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    Outcome run;
    const int spawned = posix_spawn(&pid, TZREG_PATH, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return run;
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd exited{fd, POLLIN, 0};
    if (fd >= 0 && poll(&exited, 1, 10000) != 1) kill(pid, SIGKILL);
    if (fd >= 0) close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = read(dir_ / "out");
    run.err = read(dir_ / "err");
    return run;
  }

  static std::string read(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  fs::path dir_;
};

const std::string Done = "The operation completed successfully.\n";
const std::string NotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(TzregTest, AddQueryAndDeleteInTheToolsLayout) {
  const std::string key = "HKLM\\SOFTWARE\\Test";
  for (const std::vector<std::string>& add :
       {std::vector<std::string>{"/v", "Count", "/t", "REG_DWORD", "/d", "0x7"},
        {"/v", "Path", "/d", "C:\\x y\xc3\xab"},
        {"/v", "Bin", "/t", "reg_binary", "/d", "0aFF"},
        {"/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0\\0two"},
        {"/ve", "/d", "dflt"}}) {
    std::vector<std::string> args{"add", key};
    args.insert(args.end(), add.begin(), add.end());
    args.push_back("/f");
    EXPECT_EQ(Done, tzreg(args).out) << add[1];
  }
  EXPECT_EQ(0, tzreg({"add", "HKEY_LOCAL_MACHINE\\software\\test\\Sub\\"}).status);
  const std::string values =
      "    Count    REG_DWORD    0x7\n"
      "    Path    REG_SZ    C:\\x y\xc3\xab\n"
      "    Bin    REG_BINARY    0AFF\n"
      "    List    REG_MULTI_SZ    one\\0\\0two\n"
      "    (Default)    REG_SZ    dflt\n";
  Outcome run = tzreg({"query", key});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n" + values +
                "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub\n",
            run.out);
  EXPECT_EQ("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n    count    REG_DWORD    0x7\n\n",
            tzreg({"query", key, "/v", "count"}).out);
  EXPECT_EQ("\nHKEY_LOCAL_MACHINE\\SOFTWARE\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n" + values +
                "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub\n\n",
            tzreg({"query", "HKLM\\SOFTWARE", "/s"}).out);

  // The program's values are the library's, byte for byte, and the other way round.
  RegistryKey opened;
  ASSERT_EQ(PlatformError::Success,
            RegistryKey::open(RegistryRoot::LocalMachine, "Software\\Test", opened));
  char data[32];
  uint32_t size = sizeof data;
  ASSERT_EQ(PlatformError::Success, opened.queryValue("List", nullptr, data, &size));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(u"one\0\0two\0"), 20),
            std::string(data, size));
  ASSERT_EQ(PlatformError::Success,
            opened.setValue("Count", RegistryType::Dword, "\xff\xff\xff\xff", 4));
  EXPECT_NE(std::string::npos,
            tzreg({"query", key, "/v", "Count"}).out.find("REG_DWORD    0xffffffff\n"));

  EXPECT_EQ(Done, tzreg({"delete", key, "/v", "PATH", "/f"}).out);
  EXPECT_EQ(NotFound, tzreg({"query", key, "/v", "Path"}).err);
  EXPECT_EQ(Done, tzreg({"delete", key, "/va", "/f"}).out);
  EXPECT_EQ("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub\n",
            tzreg({"query", key}).out);
  EXPECT_EQ(Done, tzreg({"delete", key, "/f"}).out);
  run = tzreg({"query", key});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(NotFound, run.err);
}

TEST_F(TzregTest, ErrorsExitWithOneAndOneLineAndChangeNothing) {
  const std::vector<std::string> cases[] = {
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_QWORD", "/d", "1"},
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_DWORD", "/d", "12x"},
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_DWORD", "/d", "0x100000000"},
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_DWORD", "/d", "-1"},
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_BINARY", "/d", "abc"},
      {"add", "HKLM\\Bad", "/v", "x", "/t", "REG_BINARY", "/d", "zz"},
      {"add", "HKLM\\Bad", "/v", "x", "/d", "\xff"},
      {"add", "HKLM\\Bad", "/v"},
      {"add", "HKLM\\Bad", "/v", "x", "/ve"},
      {"add", "HKLM\\Bad", "/s"},
      {"add", "HKCR\\Bad"},
      {"add", "HKLM\\Bad\\\\Twice"},
      {"query", "HKLM\\Missing"},
      {"delete", "HKLM\\Missing", "/f"},
      {"delete", "HKLM", "/f"},
      {"frobnicate", "HKLM\\Bad"},
      {},
  };
  for (const auto& args : cases) {
    const Outcome run = tzreg(args);
    std::string shown;
    for (const auto& arg : args) shown += arg + " ";
    EXPECT_EQ(1, run.status) << shown;
    EXPECT_EQ("", run.out) << shown;
    EXPECT_EQ(0u, run.err.rfind("ERROR: ", 0)) << shown << run.err;
    EXPECT_EQ(run.err.size() - 1, run.err.find('\n')) << shown << run.err;
  }
  RegistryKey key;
  EXPECT_EQ(PlatformError::FileNotFound, RegistryKey::open(RegistryRoot::LocalMachine, "Bad", key));
}

TEST_F(TzregTest, AsksBeforeReplacingOrDeletingAndEndOfInputIsNo) {
  const std::string key = "HKCU\\Software\\Ask";
  ASSERT_EQ(0, tzreg({"add", key, "/v", "n", "/t", "REG_DWORD", "/d", "1"}).status);
  Outcome run = tzreg({"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "2"});
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("Value N exists, overwrite (Yes/No)? \n", run.out);
  EXPECT_EQ("The operation was cancelled by the user.\n", run.err);
  EXPECT_NE(std::string::npos, tzreg({"query", key, "/v", "n"}).out.find("0x1\n"));
  run = tzreg({"add", key, "/v", "n", "/t", "REG_DWORD", "/d", "2"}, "maybe\n yes \n");
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("Value n exists, overwrite (Yes/No)? Value n exists, overwrite (Yes/No)? " + Done,
            run.out);
  EXPECT_NE(std::string::npos, tzreg({"query", key, "/v", "n"}).out.find("0x2\n"));
  EXPECT_EQ(1, tzreg({"delete", key, "/v", "n"}, "no\n").status);
  EXPECT_EQ(1, tzreg({"delete", key}, "").status);
  EXPECT_EQ(0, tzreg({"query", key, "/v", "n"}).status);
  EXPECT_EQ(0, tzreg({"delete", key}, "y\n").status);
  EXPECT_EQ(1, tzreg({"query", key}).status);
}

}  // namespace

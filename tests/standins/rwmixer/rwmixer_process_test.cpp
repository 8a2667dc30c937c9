// The built program, run as a process: its command-line failures, and whole runs through the
// engine stand-in and the library's device half.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/platform/registry.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

class RwmixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rwmixer-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir_ = pattern;
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    setenv("TZ_REGISTRY_ROOT", (dir_ / "registry").c_str(), 1);
    setenv("TZ_OBJECT_NAMESPACE", ("rwmixer-" + std::to_string(getpid()) + test).c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TZ_REGISTRY_ROOT");
    unsetenv("TZ_OBJECT_NAMESPACE");
    fs::remove_all(dir_);
  }

  // Runs rwmixer; gives up on it after 60 s.
  Outcome run(std::vector<std::string> args) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (dir_ / "out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (dir_ / "err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), RWMIXER_PATH);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    Outcome outcome;
    const int spawned = posix_spawn(&pid, RWMIXER_PATH, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) return outcome;
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd exited{fd, POLLIN, 0};
    if (fd >= 0 && poll(&exited, 1, 60000) != 1) kill(pid, SIGKILL);
    if (fd >= 0) close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = readFile(dir_ / "out");
    outcome.err = readFile(dir_ / "err");
    return outcome;
  }

  fs::path dir_;
};

bool isOneErrorLine(const std::string& err) {
  return err.rfind("rwmixer: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

TEST_F(RwmixerTest, UsageAndFailuresBeforeAnyDevice) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_EQ(0u, help.out.rfind("usage: rwmixer", 0));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--rate", "fast"}, {"--loop"}, {"--nothing"}, {"--blocks", "3", "--seconds", "1"}}) {
    const Outcome bad = run(args);
    EXPECT_EQ(2, bad.status) << args[0];
    EXPECT_TRUE(isOneErrorLine(bad.err)) << bad.err;
    EXPECT_TRUE(bad.out.empty());
  }
  const Outcome noEngine = run({"--engine", (dir_ / "missing.dll").string()});
  EXPECT_EQ(1, noEngine.status);
  EXPECT_TRUE(isOneErrorLine(noEngine.err)) << noEngine.err;
}

// The summary line "name: value" as a string; empty when missing.
std::string summaryValue(const std::string& out, const std::string& name) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
  }
  return {};
}

struct Wav {
  uint16_t format = 0, channels = 0;
  uint32_t rate = 0, dataBytes = 0;
  bool silent = false;
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
  wav.silent =
      bytes.size() == 58u + wav.dataBytes && bytes.find_first_not_of('\0', 58) == std::string::npos;
  wav.samples.resize((bytes.size() - 58) / 4);
  std::memcpy(wav.samples.data(), bytes.data() + 58, wav.samples.size() * 4);
  return wav;
}

class RwmixerDeviceTest : public RwmixerTest {
 protected:
  void SetUp() override {
    RwmixerTest::SetUp();
    install("Loopra Pro 7.0", RWMIXER_DEVICE_LIBRARY);
  }

  static void install(const std::string& device, const std::string& path) {
    using namespace tz::platform;
    RegistryKey key;
    ASSERT_EQ(PlatformError::Success,
              RegistryKey::create(RegistryRoot::LocalMachine,
                                  "SOFTWARE\\Propellerhead Software\\ReWire\\" + device, key));
    const std::u16string wide(path.begin(), path.end());
    ASSERT_EQ(PlatformError::Success,
              key.setValue("Device Path", RegistryType::String, wide.c_str(),
                           static_cast<uint32_t>((wide.size() + 1) * 2)));
  }

  // Named objects of this test's namespace still in the user's folder.
  size_t objectsLeft() const {
    const std::string tag = std::string("~") + getenv("TZ_OBJECT_NAMESPACE") + "~";
    size_t left = 0;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator("/dev/shm/tz-" + std::to_string(geteuid()), error)) {
      left += entry.path().filename().string().find(tag) != std::string::npos;
    }
    return left;
  }
};

TEST_F(RwmixerDeviceTest, FreewheelRunWithoutPanelWritesSilence) {
  const Outcome run =
      this->run({"--blocks", "200", "--freewheel", "--out", (dir_ / "x.wav").string()});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ("200", summaryValue(run.out, "blocks"));
  EXPECT_EQ("0 (partly: 0)", summaryValue(run.out, "served"));
  EXPECT_EQ("200", summaryValue(run.out, "not served"));
  EXPECT_EQ("0", summaryValue(run.out, "time-outs"));
  EXPECT_EQ(0u, summaryValue(run.out, "channels").rfind("10 (Master-L, Master-R, Rear-L"));
  const Wav wav = readWav(dir_ / "x.wav");
  EXPECT_EQ(3u, wav.format);
  EXPECT_EQ(10u, wav.channels);
  EXPECT_EQ(44100u, wav.rate);
  EXPECT_EQ(200u * 512 * 10 * 4, wav.dataBytes);
  EXPECT_TRUE(wav.silent);
  EXPECT_EQ(0u, objectsLeft()) << "the close releases every named object";
}

// The change happens between blocks at 0.2 s of mixer time: 18 blocks of 512 at 44100 before
// it, then 256-frame blocks at 48000 until 0.5 s.
TEST_F(RwmixerDeviceTest, AudioInfoChangesMidRunAndUnknownDevicesAreListed) {
  const Outcome run = this->run({"--seconds", "0.5", "--freewheel", "--play", "--audio-info-at",
                                 "0.2:48000:256", "--out", (dir_ / "x.wav").string()});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ("73", summaryValue(run.out, "blocks"));
  EXPECT_EQ((18u * 512 + 55 * 256) * 40, readWav(dir_ / "x.wav").dataBytes);
  const Outcome unknown = this->run({"--device", "Nothing Here"});
  EXPECT_EQ(2, unknown.status);
  EXPECT_TRUE(isOneErrorLine(unknown.err)) << unknown.err;
  EXPECT_NE(std::string::npos, unknown.err.find("Loopra Pro 7.0"));
}

// The scripted device echoes the record of every block into its four channels: play mode,
// song position, loop on, frames. Its events come back in the next block's record.
TEST_F(RwmixerDeviceTest, TransportEventsServiceAndTimeOutsThroughARealRun) {
  install("Scripted Device", RWMIXER_SCRIPTED_DEVICE);
  const Outcome run = this->run({"--device", "Scripted Device", "--blocks", "24", "--freewheel",
                                 "--out", (dir_ / "x.wav").string()});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ("23 (partly: 1)", summaryValue(run.out, "served"));
  EXPECT_EQ("1", summaryValue(run.out, "not served"));
  EXPECT_EQ("1", summaryValue(run.out, "time-outs"));
  EXPECT_EQ("play 1, stop 1, reposition 1, loop 1, other 0, beyond capacity 0",
            summaryValue(run.out, "events"));
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
}

}  // namespace

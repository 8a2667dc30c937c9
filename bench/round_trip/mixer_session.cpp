// The host is not the benchmark's child (the driver launches it), so it is found by the
// "host: pid N" line it prints into the mixer's output and watched through a process
// descriptor, which names it for good even after its id is reused. One that outlives its mixer
// is asked to quit (SIGTERM, which it answers with a clean shut-down) and killed if it does not.
#include "bench/round_trip/mixer_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

extern char** environ;

namespace tz::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint32_t kRate = 44100;  // the mixer's defaults
constexpr uint32_t kFrames = 512;
// The host is asked to quit this many blocks before the end, so that it leaves cleanly while
// the mixer still drives, as in a real session.
constexpr uint32_t kQuitBeforeEnd = 200;
constexpr auto kHostStartLimit = 20s;
constexpr auto kMixerLimit = 180s;
constexpr auto kHostExitLimit = 10s;  // its worker notices a mixer gone within 250 ms
constexpr auto kKillLimit = 5s;

std::string readFile(const fs::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), {}};
}

pid_t hostPid(const std::string& out) {
  const size_t at = out.find("host: pid ");
  return at == std::string::npos ? 0 : static_cast<pid_t>(std::atol(out.c_str() + at + 10));
}

class Watched {
 public:
  explicit Watched(pid_t pid)
      : fd_(pid > 0 ? static_cast<int>(syscall(SYS_pidfd_open, pid, 0)) : -1) {}
  Watched(const Watched&) = delete;
  Watched& operator=(const Watched&) = delete;
  ~Watched() {
    if (fd_ >= 0) close(fd_);
  }
  bool valid() const { return fd_ >= 0; }
  // True once the process has exited, waiting at most `limit` for it.
  bool exited(Clock::duration limit) const {
    pollfd ready{fd_, POLLIN, 0};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(limit).count();
    return fd_ < 0 || poll(&ready, 1, static_cast<int>(ms)) == 1;
  }
  void signal(int number) const { syscall(SYS_pidfd_send_signal, fd_, number, nullptr, 0); }

 private:
  int fd_;
};

// Asks a host that stays to quit, then kills it; true when it left of its own accord. Once its
// mixer has exited the host is this process's child (see runSession), so it is reaped here.
bool seeOut(const Watched& host, pid_t pid) {
  const bool left = host.exited(kHostExitLimit);
  if (!left) {
    host.signal(SIGTERM);
    if (!host.exited(kKillLimit)) host.signal(SIGKILL);
  }
  if (pid > 0) waitpid(pid, nullptr, 0);
  return left;
}

pid_t spawnMixer(const fs::path& out, const SessionSetup& setup) {
  setenv("TZ_LOOPRA70_OPTIONS", setup.idleHost ? "--quiet --idle" : "--quiet", 1);
  const std::string blocks = std::to_string(setup.blocks);
  const double quitSeconds =
      static_cast<double>(setup.blocks > kQuitBeforeEnd ? setup.blocks - kQuitBeforeEnd : 0) *
      kFrames / kRate;
  const std::string quitAt = std::to_string(quitSeconds);
  const char* args[] = {RWMIXER_PATH,   "--launch",
                        "--wait-panel", "15",
                        "--freewheel",  "--blocks",
                        blocks.c_str(), "--quit-panel-at",
                        quitAt.c_str(), setup.verify ? "--verify" : nullptr,
                        nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t mixer = 0;
  const int failed =
      posix_spawn(&mixer, RWMIXER_PATH, &actions, nullptr, const_cast<char**>(args), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? mixer : 0;
}

}  // namespace

SessionOutcome runSession(const fs::path& folder, const SessionSetup& setup,
                          const WhileDriving& whileDriving) {
  SessionOutcome outcome;
  // The host outlives the mixer that launched it by a moment; this process then adopts it, so
  // that it can be reaped rather than left to whoever else might.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const fs::path outPath = folder / "mixer.out";
  const pid_t mixer = spawnMixer(outPath, setup);
  if (mixer == 0) {
    outcome.error = "the mixer did not start";
    return outcome;
  }
  const Watched mixerWatch(mixer);
  pid_t host = 0;
  for (const auto until = Clock::now() + kHostStartLimit; host == 0 && Clock::now() < until;) {
    const bool mixerGone = mixerWatch.exited(10ms);
    host = hostPid(readFile(outPath));
    if (mixerGone) break;
  }
  const Watched hostWatch(host);
  bool ok = hostWatch.valid();
  if (!ok) outcome.error = "the host did not start";
  if (ok && whileDriving) ok = whileDriving(mixer, host, outcome.error);

  if (!mixerWatch.exited(kMixerLimit)) {
    kill(mixer, SIGKILL);
    if (ok) outcome.error = "the mixer did not finish in time";
    ok = false;
  }
  int status = 0;
  waitpid(mixer, &status, 0);
  if (ok && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) {
    outcome.error = "the mixer failed";
    ok = false;
  }
  // A mixer that failed early may have launched a host after the wait above gave up on it.
  const pid_t lateHostPid = host == 0 ? hostPid(readFile(outPath)) : 0;
  const Watched lateHost(lateHostPid);
  const bool hostLeft = hostWatch.valid() ? seeOut(hostWatch, host) : seeOut(lateHost, lateHostPid);
  if (!hostLeft && ok) {
    outcome.error = "the host did not leave when the mixer asked it to";
    ok = false;
  }
  outcome.out = readFile(outPath);
  std::error_code ignored;
  fs::remove(outPath, ignored);
  outcome.ok = ok;
  return outcome;
}

ScratchFolder::ScratchFolder(fs::path path) : path_(std::move(path)) {
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace tz::bench

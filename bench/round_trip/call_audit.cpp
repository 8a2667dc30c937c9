// The window's edges are taken at a real-time priority above the audio path's, where the system
// allows it, so that on one processor the observer reads the block number and the counters at
// once instead of waiting for the two real-time threads to give way.
#include "bench/round_trip/call_audit.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "kaudio/audiodrvs/ReWire/exchange_block.h"

extern char** environ;

namespace tz::bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kBlockName[] = "Halvard.Loopra7.ReWireDevice";
constexpr int kObserverPriority = 50;  // above the audio path's SCHED_RR 10
constexpr auto kFlowLimit = 60s;
constexpr uint32_t kFlowing = 1000;  // blocks: the host's worker is up
constexpr auto kStallLimit = 1s;
// The i386 futex calls (futex, futex_time64): every process of the session is 32-bit.
constexpr char kFutexFilter[] = "id == 240 || id == 422";

struct Counts {
  uint64_t voluntary = 0, involuntary = 0, readWrite = 0;  // from /proc
  uint64_t calls = 0, futex = 0;                           // from perf
};
using Snapshot = std::map<pid_t, Counts>;

uint64_t field(const fs::path& file, const std::string& name) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(name, 0) == 0) return std::strtoull(line.c_str() + name.size(), nullptr, 10);
  return 0;
}

Snapshot snapshot(pid_t pid) {
  Snapshot threads;
  std::error_code error;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    Counts& c = threads[static_cast<pid_t>(std::atol(task.path().filename().c_str()))];
    c.voluntary = field(task.path() / "status", "voluntary_ctxt_switches:");
    c.involuntary = field(task.path() / "status", "nonvoluntary_ctxt_switches:");
    c.readWrite = field(task.path() / "io", "syscr:") + field(task.path() / "io", "syscw:");
  }
  return threads;
}

std::string findPerf() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const std::string candidate = folder + "/perf";
    if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// perf stat attached to both processes, its counters off until enabled through a pipe.
class PerfCounter {
 public:
  PerfCounter(pid_t mixer, pid_t host, const fs::path& out) : out_(out) {
    const std::string perf = findPerf();
    int control[2], ack[2];
    if (perf.empty() || pipe(control) != 0) return;
    if (pipe(ack) != 0) {
      close(control[0]);
      close(control[1]);
      return;
    }
    const std::string pids = std::to_string(mixer) + "," + std::to_string(host);
    const std::string fds = "fd:" + std::to_string(control[0]) + "," + std::to_string(ack[1]);
    const char* args[] = {perf.c_str(),
                          "stat",
                          "-x",
                          ",",
                          "--per-thread",
                          "-p",
                          pids.c_str(),
                          "-D",
                          "-1",
                          "--control",
                          fds.c_str(),
                          "-o",
                          out.c_str(),
                          "-e",
                          "raw_syscalls:sys_enter",
                          "-e",
                          "raw_syscalls:sys_exit",
                          "--filter",
                          kFutexFilter,
                          nullptr};
    // Its notes of each enable and disable would only clutter the benchmark's output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, perf.c_str(), &actions, nullptr, const_cast<char**>(args), environ) != 0)
      pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(control[0]);
    close(ack[1]);
    control_ = control[1];
    ack_ = ack[0];
    const sched_param param{kObserverPriority};
    if (pid_ != 0) sched_setscheduler(pid_, SCHED_FIFO, &param);
  }
  PerfCounter(const PerfCounter&) = delete;
  PerfCounter& operator=(const PerfCounter&) = delete;
  ~PerfCounter() {
    stop();
    if (control_ >= 0) close(control_);
    if (ack_ >= 0) close(ack_);
  }

  // False when perf is missing or refused to count (it then exits, and the ack never comes).
  bool command(const char* what) {
    if (pid_ == 0 || write(control_, what, std::char_traits<char>::length(what)) < 0) return false;
    char reply[8] = {};
    return read(ack_, reply, sizeof reply - 1) > 0 && std::string(reply).rfind("ack", 0) == 0;
  }

  // Ends perf and adds its counts to the threads of the two snapshots; false when it counted
  // none of their threads.
  bool finish(Snapshot& mixer, Snapshot& host) {
    if (!stop()) return false;
    std::ifstream in(out_);
    bool any = false;
    // "comm-tid,count,unit,event,..." per thread and event.
    for (std::string line; std::getline(in, line);) {
      const size_t comma = line.find(','), dash = line.rfind('-', comma);
      if (comma == std::string::npos || dash == std::string::npos) continue;
      const auto tid = static_cast<pid_t>(std::atol(line.c_str() + dash + 1));
      const uint64_t count = std::strtoull(line.c_str() + comma + 1, nullptr, 10);
      Counts* counts = nullptr;
      if (const auto m = mixer.find(tid); m != mixer.end()) counts = &m->second;
      if (const auto h = host.find(tid); h != host.end()) counts = &h->second;
      if (counts == nullptr) continue;
      (line.find("sys_enter") != std::string::npos ? counts->calls : counts->futex) += count;
      any = true;
    }
    return any;
  }

 private:
  bool stop() {
    if (pid_ == 0) return false;
    kill(pid_, SIGINT);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return true;
  }

  fs::path out_;
  pid_t pid_ = 0;
  int control_ = -1, ack_ = -1;
};

// The calling thread at the observer's priority while this lives, where the system allows it.
class ObserverPriority {
 public:
  ObserverPriority() {
    pthread_getschedparam(pthread_self(), &policy_, &param_);
    const sched_param raised{kObserverPriority};
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &raised);
  }
  ObserverPriority(const ObserverPriority&) = delete;
  ObserverPriority& operator=(const ObserverPriority&) = delete;
  ~ObserverPriority() { pthread_setschedparam(pthread_self(), policy_, &param_); }

 private:
  int policy_ = SCHED_OTHER;
  sched_param param_{};
};

// The change of each thread's counts over the window; the busiest sleeper is the one that
// waits for every block.
SideCalls sideCalls(const Snapshot& before, const Snapshot& after, bool counted, uint64_t blocks) {
  bool any = false;
  Counts delta;
  for (const auto& [tid, end] : after) {
    const auto start = before.find(tid);
    if (start == before.end()) continue;
    const Counts d{end.voluntary - start->second.voluntary,
                   end.involuntary - start->second.involuntary,
                   end.readWrite - start->second.readWrite, end.calls, end.futex};
    if (!any || d.voluntary > delta.voluntary) delta = d;
    any = true;
  }
  const auto per = [&](uint64_t n) { return static_cast<double>(n) / static_cast<double>(blocks); };
  SideCalls side;
  side.waits = per(delta.voluntary);
  side.involuntary = per(delta.involuntary);
  side.readWrite = per(delta.readWrite);
  if (counted) {
    side.wakes = per(delta.futex - std::min(delta.futex, delta.voluntary));
    side.other = per(delta.calls - std::min(delta.calls, delta.futex));
  }
  return side;
}

}  // namespace

bool auditCalls(pid_t mixer, pid_t host, uint32_t lastBlock, const fs::path& folder,
                CallAudit& audit, std::string& error) {
  const auto until = Clock::now() + kFlowLimit;
  auto opened = platform::SharedSection::open(kBlockName);
  auto view = opened.section.map(0, rewire::kSyncOffset + sizeof(rewire::ExchangeSync));
  if (view.error != platform::PlatformError::Success) {
    error = "the exchange block could not be opened";
    return false;
  }
  const auto& sync = *reinterpret_cast<const rewire::ExchangeSync*>(
      static_cast<const uint8_t*>(view.view.data()) + rewire::kSyncOffset);
  const auto requested = [&] { return sync.requested.load(std::memory_order_acquire); };
  // perf follows the threads there are when it starts, so it starts once the blocks flow.
  const ObserverPriority observer;
  while (requested() < kFlowing && Clock::now() < until) std::this_thread::sleep_for(1ms);
  PerfCounter perf(mixer, host, folder / "perf.out");
  audit.counted = perf.command("enable\n");
  Snapshot mixerBefore = snapshot(mixer), hostBefore = snapshot(host);
  const uint32_t first = requested();
  // A session that stops short (a mixer that failed) ends the window once its blocks stall.
  for (auto moved = Clock::now(); requested() < lastBlock / 10 * 9 && Clock::now() < until;) {
    const uint32_t seen = requested();
    std::this_thread::sleep_for(50ms);
    if (requested() != seen) moved = Clock::now();
    if (Clock::now() - moved > kStallLimit) break;
  }
  const uint32_t last = requested();
  Snapshot mixerAfter = snapshot(mixer), hostAfter = snapshot(host);
  if (audit.counted) perf.command("disable\n");
  audit.counted = audit.counted && perf.finish(mixerAfter, hostAfter);
  std::error_code ignored;
  fs::remove(folder / "perf.out", ignored);

  audit.blocks = last - first;
  if (audit.blocks == 0 || mixerAfter.empty() || hostAfter.empty()) {
    error = "no blocks flowed while the system calls were audited";
    return false;
  }
  audit.mixer = sideCalls(mixerBefore, mixerAfter, audit.counted, audit.blocks);
  audit.host = sideCalls(hostBefore, hostAfter, audit.counted, audit.blocks);
  return true;
}

}  // namespace tz::bench

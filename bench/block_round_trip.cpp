// One mixer block's round trip across the two processes, against the bare event round trip
// measured in the same placement: every process and thread on one processor, then unpinned
// (where the two sides land on different processors and a wake-up costs far more). The mixer
// stand-in launches the host stand-in through the driver and drives it as fast as it can, 10
// channels of 512 frames; its drive time per block is the round trip: request, render,
// completion, copy. A host that renders nothing leaves the bridge's own cost; the system calls
// each side makes per block are audited in a run of their own.
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/event_ping.h"
#include "bench/round_trip/call_audit.h"
#include "bench/round_trip/mixer_session.h"
#include "support/platform/registry.h"

namespace {

namespace fs = std::filesystem;
using tz::bench::SessionSetup;

constexpr uint32_t kBlocks = 100000;
constexpr int kEventWarmUp = 2000;
constexpr int kEventTrips = kBlocks;  // as many as the blocks, so that both p99 rest on as much
// perf takes a while to attach, and the audited session runs that much longer.
constexpr uint32_t kAuditBlocks = 300000;
constexpr double kGoal = 1.5;  // idle-host block p99 over event p99, on one processor
constexpr int kRounds = 3;

struct Figures {
  double p50 = 0, p99 = 0;
};

struct PlacementFigures {
  Figures event, rendering, idle;
};

// Every process the benchmark starts inherits the affinity of the moment.
class Placement {
 public:
  Placement() { sched_getaffinity(0, sizeof all_, &all_); }
  int firstProcessor() const {
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &all_)) return cpu;
    return 0;
  }
  bool onOne(int cpu) const {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    return sched_setaffinity(0, sizeof one, &one) == 0;
  }
  void unpinned() const { sched_setaffinity(0, sizeof all_, &all_); }

 private:
  cpu_set_t all_;
};

bool driveTimes(const tz::bench::SessionOutcome& run, bool verified, Figures& figures) {
  const std::string& out = run.out;
  const size_t at = out.find("drive time served us: p50 ");
  return run.ok && at != std::string::npos &&
         (!verified || out.find("verify: passed") != std::string::npos) &&
         sscanf(out.c_str() + at, "drive time served us: p50 %lf, p99 %lf", &figures.p50,
                &figures.p99) == 2;
}

bool session(const fs::path& folder, const SessionSetup& setup, Figures& figures) {
  const auto run = tz::bench::runSession(folder, setup);
  if (driveTimes(run, setup.verify, figures)) return true;
  fprintf(stderr, "block_round_trip: the %s session failed: %s\n%s",
          setup.idleHost ? "idle-host" : "rendering", run.error.c_str(), run.out.c_str());
  return false;
}

// One round: the event round trip right before the idle-host block, so that the ratio the goal
// reads rests on two measurements next to each other in time.
bool measureRound(const fs::path& folder, PlacementFigures& figures) {
  if (!session(folder, {kBlocks, false, true}, figures.rendering)) return false;
  const auto events = tz::bench::pingRoundTrips(kEventWarmUp, kEventTrips);
  if (events.empty()) {
    fprintf(stderr, "block_round_trip: the event peer stopped answering\n");
    return false;
  }
  figures.event = {tz::bench::percentile(events, 50), tz::bench::percentile(events, 99)};
  return session(folder, {kBlocks, true, false}, figures.idle);
}

// Each figure is the median of its rounds: the machine may be shared, and one round can meet
// another's load.
bool measure(const fs::path& folder, PlacementFigures& figures) {
  PlacementFigures rounds[kRounds];
  for (PlacementFigures& round : rounds)
    if (!measureRound(folder, round)) return false;
  const auto median = [&](Figures PlacementFigures::*figure) {
    std::vector<double> p50, p99;
    for (const PlacementFigures& round : rounds) {
      p50.push_back((round.*figure).p50);
      p99.push_back((round.*figure).p99);
    }
    std::sort(p50.begin(), p50.end());
    std::sort(p99.begin(), p99.end());
    return Figures{p50[kRounds / 2], p99[kRounds / 2]};
  };
  figures = {median(&PlacementFigures::event), median(&PlacementFigures::rendering),
             median(&PlacementFigures::idle)};
  return true;
}

void printPlacement(const char* heading, const PlacementFigures& f) {
  printf("%s\n", heading);
  const auto line = [&](const char* name, const Figures& x) {
    printf("  %-28s p50 %7.1f  p99 %7.1f", name, x.p50, x.p99);
  };
  line("event round trip", f.event);
  printf("\n");
  line("block, host rendering", f.rendering);
  printf("  p99 %5.2f x the event's\n", f.rendering.p99 / f.event.p99);
  line("block, idle host", f.idle);
  printf("  p99 %5.2f x the event's\n", f.idle.p99 / f.event.p99);
  line("bridge (idle block - event)", {f.idle.p50 - f.event.p50, f.idle.p99 - f.event.p99});
  printf("\n");
}

void printSide(const char* name, const tz::bench::SideCalls& side, bool counted) {
  if (counted) {
    printf("  %s: %.2f wakes, %.2f waits, %.2f other system calls per block", name, side.wakes,
           side.waits, side.other);
  } else {
    printf("  %s: %.2f waits, %.2f read/write calls per block", name, side.waits, side.readWrite);
  }
  printf(" (%.2f preemptions)\n", side.involuntary);
}

bool audit(const fs::path& folder) {
  tz::bench::CallAudit calls;
  const auto run = tz::bench::runSession(
      folder, {kAuditBlocks, true, false}, [&](pid_t mixer, pid_t host, std::string& error) {
        return tz::bench::auditCalls(mixer, host, kAuditBlocks, folder, calls, error);
      });
  if (!run.ok) {
    fprintf(stderr, "block_round_trip: the audited session failed: %s\n%s", run.error.c_str(),
            run.out.c_str());
    return false;
  }
  printf("system calls, idle host on one processor (%llu blocks of a run of their own%s):\n",
         static_cast<unsigned long long>(calls.blocks),
         calls.counted ? ", counted by perf" : "; without perf only sleeps and read/write calls");
  printSide("mixer audio thread", calls.mixer, calls.counted);
  printSide("host worker thread", calls.host, calls.counted);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], tz::bench::kPeerFlag) == 0)
    return tz::bench::answerPings(kEventWarmUp + kEventTrips);
  const tz::bench::ScratchFolder folder(fs::temp_directory_path() /
                                        ("tz-bench-" + std::to_string(getpid())));
  setenv("TZ_REGISTRY_ROOT", (folder.path() / "registry").c_str(), 1);
  setenv("TZ_OBJECT_NAMESPACE", folder.path().filename().c_str(), 1);
  tz::platform::RegistryKey key;
  tz::platform::RegistryKey::create(tz::platform::RegistryRoot::LocalMachine,
                                    "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0",
                                    key);
  const std::u16string path = u"" TZ_INSTALLED_LIBRARY;
  key.setValue("Device Path", tz::platform::RegistryType::String, path.c_str(),
               static_cast<uint32_t>((path.size() + 1) * 2));

  const Placement placement;
  const int cpu = placement.firstProcessor();
  PlacementFigures one, spread;
  if (!placement.onOne(cpu)) {
    fprintf(stderr, "block_round_trip: cannot keep the processes on processor %d\n", cpu);
    return 1;
  }
  const bool measuredOne = measure(folder.path(), one);
  placement.unpinned();
  if (!measuredOne || !measure(folder.path(), spread)) return 1;

  printf(
      "round trips in us, %u blocks of 10 channels x 512 frames, freewheeling; medians of %d "
      "rounds\n",
      kBlocks, kRounds);
  const std::string heading =
      "one processor (CPU " + std::to_string(cpu) + ", every process and thread):";
  printPlacement(heading.c_str(), one);
  printPlacement("unpinned:", spread);
  const double ratio = one.idle.p99 / one.event.p99;
  printf("goal on one processor, idle-host block p99 <= %.1f x event p99: %.2f, %s\n", kGoal, ratio,
         ratio <= kGoal ? "met" : "not met");

  placement.onOne(cpu);
  const bool audited = audit(folder.path());
  placement.unpinned();
  return audited ? 0 : 1;
}

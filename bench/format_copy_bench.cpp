// Throughput of the format copy: for every pair of the eleven layouts, the kernel this
// processor's dispatch chooses and every other variant it runs, and the SSE2 channel kernel,
// as ratios to memcpy of the larger of input and output at a host block (512 stereo frames),
// 64 Ki and 1 Mi samples; then the peer library on the pairs both convert; then the pairs that
// miss the goals. All at gain 1.0, each side timed in alternating rounds with memcpy.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/peer/bench_layouts.h"
#include "bench/peer/peer_table.h"
#include "bench/peer/round_timing.h"
#include "support/audio/channel_copy.h"
#include "support/audio/convertible_types.h"
#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "tz/cpu_support.h"

namespace {

using tz::bench::fillSeeded;
using tz::bench::layoutName;

constexpr long kSizes[] = {1024, 65536, 1048576};
constexpr long kMaxSamples = 1048576;
constexpr int kRounds = 15;
constexpr double kBatchNs = 2e5;
// The goal for every pair's chosen kernel at 64 Ki samples.
constexpr double kMemcpyGoal = 0.5;

// A kernel as the table calls it: destination, source, source samples.
struct Runner {
  std::string name;
  bool chosen;
  std::function<void(void*, const void*, long)> run;
};

struct Shortfall {
  TZSAMPLETYPE destination, source;
  std::string pair, kernel;
  double ratio;
};

// Buffers for the largest size, shared by every row: a source, a destination and memcpy's two.
struct Buffers {
  std::vector<unsigned char> source = bytes(), destination = bytes(), copyFrom = bytes(),
                             copyTo = bytes();
  static std::vector<unsigned char> bytes() {
    return std::vector<unsigned char>(kMaxSamples * 8 + 64);
  }
};

// Prints one line per runner; returns the chosen runner's ratio to memcpy at 64 Ki samples.
double measureRows(Buffers& b, const std::string& label, TZSAMPLETYPE sourceType, size_t in,
                   size_t out, const std::vector<Runner>& runners) {
  unsigned char* s = tz::bench::aligned16(b.source.data());
  unsigned char* d = tz::bench::aligned16(b.destination.data());
  fillSeeded(sourceType, s, kMaxSamples);
  std::vector<std::vector<double>> ratios(runners.size()), rates(runners.size());
  for (long samples : kSizes) {
    const size_t larger = static_cast<size_t>(samples) * std::max(in, out);
    std::vector<std::function<void()>> calls{[&] {
      std::memcpy(b.copyTo.data(), b.copyFrom.data(), larger);
      asm volatile("" ::"r"(b.copyTo.data()) : "memory");
    }};
    for (const Runner& r : runners)
      calls.push_back([&r, d, s, samples] {
        r.run(d, s, samples);
        asm volatile("" ::"r"(d) : "memory");
      });
    const std::vector<double> ns = tz::bench::medianNsPerCall(calls, kRounds, kBatchNs);
    for (size_t i = 0; i < runners.size(); ++i) {
      ratios[i].push_back(ns[0] / ns[i + 1]);
      rates[i].push_back(static_cast<double>(samples) * 1e3 / ns[i + 1]);
    }
  }
  double chosenRatio = 0;
  for (size_t i = 0; i < runners.size(); ++i) {
    std::printf("%-22s %-9s %-6s", label.c_str(), runners[i].name.c_str(),
                runners[i].chosen ? "chosen" : "");
    for (size_t k = 0; k < std::size(kSizes); ++k)
      std::printf(" %7.0f %5.2fx", rates[i][k], ratios[i][k]);
    std::printf("\n");
    if (runners[i].chosen) chosenRatio = ratios[i][1];
  }
  return chosenRatio;
}

Runner copyRunner(std::string name, bool chosen, tz::audio::CopyKernel kernel) {
  return {std::move(name), chosen,
          [kernel](void* d, const void* s, long n) { kernel(d, s, n, 1.0f); }};
}

// The kernel the dispatch chooses for the pair, then every other variant this processor runs.
std::vector<Runner> pairRunners(TZSAMPLETYPE destination, TZSAMPLETYPE source) {
  const tz::audio::CopyKernel chosen = TzAudio_GetCopyFunction2(destination, source);
  std::vector<Runner> runners;
  const char* chosenName =
      chosen == tz::audio::baselineCopyKernel(destination, source) ? "baseline" : "?";
  std::vector<Runner> others;
  for (const auto& v : tz::audio::copyVariants()) {
    if (v.destination != destination || v.source != source) continue;
    if (v.kernel == chosen)
      chosenName = v.name;
    else if ((TzGetCPUHardwareSupport(v.needs) & v.needs) == v.needs)
      others.push_back(copyRunner(v.name, false, v.kernel));
  }
  runners.push_back(copyRunner(chosenName, true, chosen));
  runners.insert(runners.end(), others.begin(), others.end());
  return runners;
}

// Why the memcpy goal holds a pair below it to account, or not: it applies where the peer
// reaches it on its pair of the same kind. Returns the reason, and whether it applies.
std::pair<std::string, bool> memcpyGoalFor(const Shortfall& s,
                                           const std::vector<tz::bench::PeerPairSpeed>& speeds) {
  const TZSAMPLETYPE to = tz::bench::peerKind(s.destination), from = tz::bench::peerKind(s.source);
  if (to == TZSAMPLETYPE_UNKNOWN || from == TZSAMPLETYPE_UNKNOWN)
    return {"the peer has no 24-bit layout", false};
  const auto peer = std::find_if(speeds.begin(), speeds.end(),
                                 [&](const auto& p) { return p.to == to && p.from == from; });
  if (peer == speeds.end()) return {"the peer did not run the pair", false};
  char reason[96];
  std::snprintf(reason, sizeof reason, "the peer's %s <- %s: %.2fx", layoutName(to),
                layoutName(from), peer->memcpyRatio);
  return {reason, peer->memcpyRatio >= kMemcpyGoal};
}

// chosen: every pair's chosen kernel and its ratio to memcpy at 64 Ki samples.
void printSummary(const std::vector<Shortfall>& chosen,
                  const std::optional<tz::bench::PeerResults>& peer) {
  std::printf(
      "\nSummary: goals are ours/peer >= 1.0 at 1 Ki and 64 Ki samples, and >= %.1fx memcpy of "
      "the larger side at 64 Ki samples where the peer reaches that on its pair of the same kind\n",
      kMemcpyGoal);
  if (!peer)
    std::printf("  (ours/peer and the peer's kinds not checked: this build has no peer)\n");
  int missed = 0;
  std::vector<std::string> exempt;
  for (const Shortfall& s : chosen) {
    if (s.ratio >= kMemcpyGoal) continue;
    const auto [reason, applies] =
        peer ? memcpyGoalFor(s, peer->speeds) : std::pair<std::string, bool>{"", true};
    char line[160];
    std::snprintf(line, sizeof line, "  %-22s %-9s %5.2fx memcpy at 64 Ki%s%s\n", s.pair.c_str(),
                  s.kernel.c_str(), s.ratio, reason.empty() ? "" : "; ", reason.c_str());
    if (applies) {
      std::printf("%s", line);
      ++missed;
    } else {
      exempt.push_back(line);
    }
  }
  for (const auto& p : peer ? peer->slower : std::vector<tz::bench::PeerShortfall>{}) {
    const auto row = std::find_if(chosen.begin(), chosen.end(),
                                  [&](const Shortfall& s) { return s.pair == p.pair; });
    std::printf("  %-22s %-9s %5.2f ours/peer at %ld samples\n", p.pair,
                row == chosen.end() ? "" : row->kernel.c_str(), p.ratio, p.samples);
    ++missed;
  }
  if (missed == 0) std::printf("  every pair meets the goals\n");
  if (!exempt.empty()) {
    std::printf("Below %.1fx memcpy where the goal does not apply (%zu pairs):\n", kMemcpyGoal,
                exempt.size());
    for (const std::string& line : exempt) std::printf("%s", line.c_str());
  }
}

}  // namespace

int main() {
  std::printf(
      "%-22s %-9s %-6s %14s %14s %14s   (Ms/s, x memcpy of the larger side; medians "
      "of %d rounds)\n",
      "pair", "kernel", "", "1 Ki", "64 Ki", "1 Mi", kRounds);
  Buffers buffers;
  std::vector<Shortfall> chosen;
  for (TZSAMPLETYPE destination : tz::audio::kConvertibleTypes)
    for (TZSAMPLETYPE source : tz::audio::kConvertibleTypes) {
      if (!tz::audio::hasCopyKernel(destination, source)) continue;
      const std::string label = std::string(layoutName(destination)) + " <- " + layoutName(source);
      const std::vector<Runner> runners = pairRunners(destination, source);
      const double ratio = measureRows(buffers, label, source, TzAudio_BytesFromSampleType(source),
                                       TzAudio_BytesFromSampleType(destination), runners);
      chosen.push_back({destination, source, label, runners[0].name, ratio});
    }
  // The channel kernel: the left channel of a stereo 16-bit buffer into a mono double buffer.
  auto channelRunner = [](const char* name, bool chosen, tz::audio::ChannelKernel kernel) {
    return Runner{name, chosen,
                  [kernel](void* d, const void* s, long n) { kernel(d, 1, 0, s, 2, 0, n / 2); }};
  };
  measureRows(
      buffers, "channel float64 <- pcm16", TZSAMPLETYPE_PCM16, 2, 4,
      {channelRunner("sse2", true, tz::audio::sse2::pcm16ToFloat64Channel),
       channelRunner("baseline", false,
                     tz::audio::baselineChannelKernel(TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM16))});
  printSummary(chosen, tz::bench::printPeerTable());
  return 0;
}

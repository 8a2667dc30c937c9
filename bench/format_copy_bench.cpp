// Throughput of every format-copy kernel variant against the baseline kernel and memcpy of
// the larger of its input and output, at a host block (512 stereo frames), 64 Ki and 1 Mi
// samples, and the SSE2 channel kernel likewise. Ratios are measured in one run; above 1.0 is
// faster than memcpy. Then, when the build found it, the peer library on the pairs both convert.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "bench/peer/peer_table.h"
#include "support/audio/channel_copy.h"
#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "tz/cpu_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using tz::audio::CopyKernel;

struct Pair {
  TZSAMPLETYPE destination, source;
  const char* name;
};

constexpr Pair kPlainPairs[] = {
    {TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM24, "float32 <- pcm24"},
    {TZSAMPLETYPE_PCM24, TZSAMPLETYPE_FLOAT32, "pcm24 <- float32"},
    {TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM32, "float32 <- pcm32"},
    {TZSAMPLETYPE_PCM32, TZSAMPLETYPE_FLOAT32, "pcm32 <- float32"},
    {TZSAMPLETYPE_PCM16, TZSAMPLETYPE_PCM24IN32, "pcm16 <- pcm24in32"},
    {TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_PCM16, "pcm24in32 <- pcm16"},
    {TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM16BE, "float32 <- pcm16be"},
    {TZSAMPLETYPE_PCM16, TZSAMPLETYPE_PCM8, "pcm16 <- pcm8"},
};

// Best of five timings of enough repetitions to last about 2 ms, in nanoseconds per call.
template <class F>
double timeCall(F call) {
  long reps = 1;
  for (;;) {
    const auto start = Clock::now();
    for (long i = 0; i < reps; ++i) call();
    if (Clock::now() - start > std::chrono::milliseconds(2)) break;
    reps *= 2;
  }
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    for (long i = 0; i < reps; ++i) call();
    const std::chrono::duration<double, std::nano> spent = Clock::now() - start;
    best = std::min(best, spent.count() / static_cast<double>(reps));
  }
  return best;
}

struct Buffers {
  std::vector<uint8_t> source, destination;
};

void fill(std::vector<uint8_t>& bytes, TZSAMPLETYPE type) {
  uint32_t seed = 7;
  const size_t width = TzAudio_BytesFromSampleType(type);
  for (size_t i = 0; i + width <= bytes.size(); i += width) {
    seed = seed * 1664525u + 1013904223u;
    const double x = (static_cast<double>(seed) / 4294967296.0 - 0.5) * 1.9;
    if (type == TZSAMPLETYPE_FLOAT32) {
      const float f = static_cast<float>(x);
      std::memcpy(&bytes[i], &f, 4);
    } else if (type == TZSAMPLETYPE_FLOAT64) {
      std::memcpy(&bytes[i], &x, 8);
    } else {
      std::memcpy(&bytes[i], &seed, width);
    }
  }
}

struct Summary {
  const char* pair;
  const char* best = "scalar";
  double bestRatio = 0;           // at 64 Ki samples
  bool slowerThanScalar = false;  // any variant at any size
};
std::vector<Summary> summaries;

// A kernel as the benchmark calls it: destination, source, source samples.
struct Runner {
  const char* name;
  std::function<void(void*, const void*, long)> run;
};

// in and out: bytes per source sample read and written.
void measure(const char* pairName, TZSAMPLETYPE sourceType, size_t in, size_t out,
             const std::vector<Runner>& runners) {
  Summary summary{pairName};
  for (long samples : {1024L, 65536L, 1048576L}) {
    // Offset by 16 bytes into the allocation: aligned as a host's buffers usually are.
    std::vector<uint8_t> source(samples * in + 64), destination(samples * out + 64);
    std::vector<uint8_t> copyFrom(samples * std::max(in, out) + 64), copyTo(copyFrom.size());
    fill(source, sourceType);
    uint8_t* d = destination.data() + (16 - reinterpret_cast<uintptr_t>(destination.data()) % 16);
    const uint8_t* s = source.data() + (16 - reinterpret_cast<uintptr_t>(source.data()) % 16);
    const size_t bytes = samples * std::max(in, out);
    const double memcpyNs = timeCall([&] {
      std::memcpy(copyTo.data(), copyFrom.data(), bytes);
      asm volatile("" ::"r"(copyTo.data()) : "memory");
    });
    double scalarNs = 0;
    auto report = [&](const Runner& runner) {
      const double ns = timeCall([&] {
        runner.run(d, s, samples);
        asm volatile("" ::"r"(d) : "memory");
      });
      std::printf("%-20s %-7s %8ld %9.0f Ms/s %6.2fx memcpy\n", pairName, runner.name, samples,
                  samples * 1e3 / ns, memcpyNs / ns);
      return ns;
    };
    scalarNs = report(runners[0]);
    if (samples == 65536) summary.bestRatio = memcpyNs / scalarNs;
    for (size_t i = 1; i < runners.size(); ++i) {
      const Runner& v = runners[i];
      const double ns = report(v);
      // The x87 kernels are not vector code; only the vector ones must beat the scalar one.
      if (ns > scalarNs * 1.02 && std::strcmp(v.name, "x87") != 0) summary.slowerThanScalar = true;
      if (samples == 65536 && memcpyNs / ns > summary.bestRatio) {
        summary.bestRatio = memcpyNs / ns;
        summary.best = v.name;
      }
    }
  }
  summaries.push_back(summary);
}

Runner copyRunner(const char* name, CopyKernel kernel) {
  return {name, [kernel](void* d, const void* s, long n) { kernel(d, s, n, 1.0f); }};
}

void measurePair(const Pair& pair, const std::vector<tz::audio::CopyVariant>& variants) {
  std::vector<Runner> runners{
      copyRunner("scalar", tz::audio::scalarCopyKernel(pair.destination, pair.source))};
  for (const auto& v : variants) runners.push_back(copyRunner(v.name, v.kernel));
  measure(pair.name, pair.source, TzAudio_BytesFromSampleType(pair.source),
          TzAudio_BytesFromSampleType(pair.destination), runners);
}

// The channel kernel: the left channel of a stereo 16-bit buffer into a mono double buffer.
Runner channelRunner(const char* name, tz::audio::ChannelKernel kernel) {
  return {name, [kernel](void* d, const void* s, long n) { kernel(d, 1, 0, s, 2, 0, n / 2); }};
}

}  // namespace

int main() {
  std::printf("%-20s %-7s %8s %14s %14s\n", "pair", "kernel", "samples", "throughput", "ratio");
  std::vector<Pair> pairs;
  for (const auto& v : tz::audio::copyVariants()) {
    const bool known = std::any_of(pairs.begin(), pairs.end(), [&](const Pair& p) {
      return p.destination == v.destination && p.source == v.source;
    });
    if (!known) pairs.push_back({v.destination, v.source, nullptr});
  }
  char names[32][40];
  for (size_t i = 0; i < pairs.size(); ++i) {
    std::snprintf(names[i], sizeof names[i], "0x%02lx <- 0x%02lx",
                  static_cast<unsigned long>(pairs[i].destination),
                  static_cast<unsigned long>(pairs[i].source));
    pairs[i].name = names[i];
  }
  for (const Pair& pair : pairs) {
    std::vector<tz::audio::CopyVariant> runnable;
    for (const auto& v : tz::audio::copyVariants())
      if (v.destination == pair.destination && v.source == pair.source &&
          (TzGetCPUHardwareSupport(v.needs) & v.needs) == v.needs)
        runnable.push_back(v);
    measurePair(pair, runnable);
  }
  for (const Pair& pair : kPlainPairs) measurePair(pair, {});
  measure("channel 0x21 <- 0x11", TZSAMPLETYPE_PCM16, 2, 4,
          {channelRunner("scalar",
                         tz::audio::scalarChannelKernel(TZSAMPLETYPE_FLOAT64, TZSAMPLETYPE_PCM16)),
           channelRunner("sse2", tz::audio::sse2::pcm16ToFloat64Channel)});
  std::printf("\n%-20s %-7s %18s %s\n", "pair", "best", "ratio at 64 Ki",
              "vector slower than scalar");
  for (const Summary& s : summaries)
    std::printf("%-20s %-7s %17.2fx %s\n", s.pair, s.best, s.bestRatio,
                s.slowerThanScalar ? "YES" : "no");
  tz::bench::printPeerTable();
  return 0;
}

// Throughput of the baseline format-copy kernel of every pair at gain 1.0 against memcpy of the
// larger of its input and output and against the per-sample reference, at 1 Ki and 64 Ki
// samples: medians of alternating rounds, so that frequency changes hit all three alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "support/audio/convertible_types.h"
#include "support/audio/format_copy.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 15;

// Nanoseconds per call of each of the three callables, the median of kRounds rounds that
// alternate between them; each round makes `reps` calls, or reps / divisor for the last one.
template <class A, class B, class C>
void alternatingMedians(double (&ns)[3], long reps, long divisor, A a, B b, C c) {
  double rounds[3][kRounds];
  const auto time = [](auto call, long count) {
    const auto start = Clock::now();
    for (long i = 0; i < count; ++i) call();
    const std::chrono::duration<double, std::nano> spent = Clock::now() - start;
    return spent.count() / static_cast<double>(count);
  };
  for (int round = 0; round < kRounds; ++round) {
    rounds[0][round] = time(a, reps);
    rounds[1][round] = time(b, reps);
    rounds[2][round] = time(c, std::max(1L, reps / divisor));
  }
  for (int i = 0; i < 3; ++i) {
    std::nth_element(rounds[i], rounds[i] + kRounds / 2, rounds[i] + kRounds);
    ns[i] = rounds[i][kRounds / 2];
  }
}

// Seeded bytes, and for float layouts values within +-0.95 of full scale.
void fill(uint8_t* p, TZSAMPLETYPE type, long samples) {
  uint32_t seed = 7;
  const size_t width = TzAudio_BytesFromSampleType(type);
  for (long i = 0; i < samples; ++i, p += width) {
    seed = seed * 1664525u + 1013904223u;
    const double x = (static_cast<double>(seed) / 4294967296.0 - 0.5) * 1.9;
    const float f = static_cast<float>(x);
    if (type == TZSAMPLETYPE_FLOAT32) std::memcpy(p, &f, 4);
    if (type == TZSAMPLETYPE_FLOAT64) std::memcpy(p, &x, 8);
    if (type != TZSAMPLETYPE_FLOAT32 && type != TZSAMPLETYPE_FLOAT64) std::memcpy(p, &seed, width);
  }
}

// Names in kConvertibleTypes order.
constexpr const char* kNames[] = {"u8",      "s16", "s24",   "s32",   "f32",  "f64",
                                  "s24in32", "s8",  "s16be", "s24be", "s32be"};

struct Ratios {
  double memcpy, reference;
};

Ratios measure(TZSAMPLETYPE d, TZSAMPLETYPE s, long samples) {
  const size_t in = TzAudio_BytesFromSampleType(s), out = TzAudio_BytesFromSampleType(d);
  const size_t larger = samples * std::max(in, out);
  alignas(16) static uint8_t src[8 << 20], dst[8 << 20], copyFrom[8 << 20], copyTo[8 << 20];
  fill(src, s, samples);
  const auto kernel = tz::audio::scalarCopyKernel(d, s);
  const auto reference = tz::audio::referenceCopyKernel(d, s);
  auto ours = [&] {
    kernel(dst, src, samples, 1.0f);
    asm volatile("" ::"r"(dst) : "memory");
  };
  auto slow = [&] {
    reference(dst, src, samples, 1.0f);
    asm volatile("" ::"r"(dst) : "memory");
  };
  auto copy = [&] {
    std::memcpy(copyTo, copyFrom, larger);
    asm volatile("" ::"r"(copyTo) : "memory");
  };
  long reps = 1;
  for (auto start = Clock::now(); Clock::now() - start < std::chrono::microseconds(300); reps *= 2)
    for (long i = 0; i < reps; ++i) ours();
  double ns[3];
  alternatingMedians(ns, reps, 8, ours, copy, slow);
  return {ns[1] / ns[0], ns[2] / ns[0]};
}

}  // namespace

int main() {
  std::printf("%-18s %13s %11s %13s %11s\n", "pair", "1 Ki memcpy", "reference", "64 Ki memcpy",
              "reference");
  for (int i = 0; i < tz::audio::kEleven; ++i)
    for (int j = 0; j < tz::audio::kEleven; ++j) {
      const TZSAMPLETYPE d = tz::audio::kConvertibleTypes[i], s = tz::audio::kConvertibleTypes[j];
      if (!tz::audio::hasCopyKernel(d, s)) continue;
      const Ratios small = measure(d, s, 1024), large = measure(d, s, 65536);
      char pair[32];
      std::snprintf(pair, sizeof pair, "%s <- %s", kNames[i], kNames[j]);
      std::printf("%-18s %12.2fx %10.1fx %12.2fx %10.1fx\n", pair, small.memcpy, small.reference,
                  large.memcpy, large.reference);
    }
  return 0;
}

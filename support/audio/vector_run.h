// What the vector kernels share: the split of a run into a scalar head, a vector body of
// whole groups and a scalar tail, and the vector unit's mode for the loop. Internal linkage,
// as for sample_codec.h.
#pragma once

#include <xmmintrin.h>

#include <cstdint>
#include <type_traits>

#include "support/audio/copy_loop.h"
#include "support/audio/format_copy.h"

namespace tz::audio {
namespace {

// Rounding to nearest for the loop, every exception masked (the quick blocks convert values
// out of range and look at the flag afterwards, which must not trap a caller that unmasked
// it), plus the given mode bits (flush-to-zero and denormals-are-zero where the kernel may use
// them); the caller's register, exception flags included, comes back at the end.
class VectorMode {
 public:
  explicit VectorMode(uint32_t extraBits) : saved_(_mm_getcsr()) {
    constexpr uint32_t kRounding = 0x6000, kAllMasked = 0x1F80;
    _mm_setcsr((saved_ & ~kRounding) | kAllMasked | extraBits);
  }
  ~VectorMode() { _mm_setcsr(saved_); }
  VectorMode(const VectorMode&) = delete;
  VectorMode& operator=(const VectorMode&) = delete;

 private:
  uint32_t saved_;
};

// The invalid-operation flag, set by a conversion of NaN or out of range (and by arithmetic on
// signalling NaN). Reading it waits for the conversions in flight; a write costs about as much as
// converting 200 samples.
inline bool invalidRaised() {
  return (_mm_getcsr() & 1) != 0;
}
inline void clearInvalid() {
  _mm_setcsr(_mm_getcsr() & ~1u);
}

// The caller's register, flags included, back at the end of a kernel that keeps the caller's
// modes: written only when the kernel changed it, which a caller whose inexact flag is already
// set (any that has rounded a value before) and whose invalid-operation flag is clear never sees.
class CallerRegister {
 public:
  CallerRegister() : saved_(_mm_getcsr()) {}
  ~CallerRegister() {
    if (_mm_getcsr() != saved_) _mm_setcsr(saved_);
  }
  CallerRegister(const CallerRegister&) = delete;
  CallerRegister& operator=(const CallerRegister&) = delete;

 private:
  uint32_t saved_;
};

// Groups converted a block at a time by a quick conversion that ignores NaN and range, then, if
// the invalid-operation flag shows that the block met NaN or a product beyond the 32-bit range,
// that block and the rest of the run again by the limited one, which agrees with the quick one on
// every other input. run(first, count, limited) converts groups [first, first + count), limited
// a std::bool_constant. Reading the flag waits for the block's conversions, so blocks are long.
// A block whose stores reach its own source (the first, in place) is limited at once, as the
// quick results would overwrite the source that redoing it needs. A flag the caller left set is
// cleared for the loop; the caller's register scope (VectorMode or CallerRegister) gives it back.
template <class Run>
inline void checkedBlocks(uint8_t* to, const uint8_t* from, long groups, long outBytes,
                          long inBytes, Run run) {
  constexpr long kGroups = 512;
  if (invalidRaised()) clearInvalid();
  for (long first = 0; first < groups; first += kGroups) {
    const long count = groups - first < kGroups ? groups - first : kGroups;
    const auto out = reinterpret_cast<uintptr_t>(to + first * outBytes);
    const auto in = reinterpret_cast<uintptr_t>(from + first * inBytes);
    if (out < in + count * inBytes && in < out + count * outBytes) {
      run(first, count, std::true_type());
      continue;
    }
    run(first, count, std::false_type());
    if (!invalidRaised()) continue;
    // Input with NaN or far beyond full scale tends to come in runs: the rest takes the limited
    // way too, so that such a run costs no more than the limited way, plus one block.
    return run(first, groups - first, std::true_type());
  }
}

// Samples of `bytes` each until p is 16-byte aligned; p must be a multiple of `bytes`.
inline long samplesToAlign16(const void* p, int bytes) {
  const auto address = reinterpret_cast<uintptr_t>(p);
  return static_cast<long>(((16 - address % 16) % 16) / static_cast<unsigned>(bytes));
}

inline bool isAligned(const void* p, unsigned bytes) {
  return reinterpret_cast<uintptr_t>(p) % bytes == 0;
}

// True when multiplying a float by gain x 2^scale in single precision is exact for every
// product that matters: gain a power of two whose scaled multiplier stays well inside the
// normal range, so that neither overflow nor flushed denormal inputs change a result.
inline bool isExactSingleScale(float gain, int scale) {
  uint32_t bits;
  __builtin_memcpy(&bits, &gain, 4);
  const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127 + scale;
  return (bits & 0x7FFFFF) == 0 && exponent > -100 && exponent < 64 && ((bits >> 23) & 0xFF) != 0;
}

// True when gain x 2^scale is zero or a normal single-precision number, so that a product
// with it rounds once, as the double-precision product rounded to single does.
inline bool scaledStaysNormal(float gain, int scale) {
  uint32_t bits;
  __builtin_memcpy(&bits, &gain, 4);
  const int exponent = static_cast<int>((bits >> 23) & 0xFF);
  return (bits << 1) == 0 ||
         (exponent != 0 && exponent != 0xFF && exponent + scale > 0 && exponent + scale < 0xFF);
}

// Sixteen-bit samples to float: in place, destinations off the element grid and gains too
// small to scale in single precision go to the scalar method.
template <TZSAMPLETYPE D>
inline bool pcm16Vectorisable(void* d, const void* s, float gain) {
  return d != s && isAligned(d, Layout<D>::kBytes) &&
         (Layout<D>::kBytes == 8 || scaledStaysNormal(gain, -15));
}

// Head by the scalar method (head samples), then body(destination, source, groups) over
// whole groups of Group samples, then the tail by the scalar method. With Spill, the body may
// write up to 6 bytes past its last group, so at least two samples are left to the tail, which
// runs after it and writes those bytes properly.
template <TZSAMPLETYPE D, TZSAMPLETYPE S, long Group, bool Spill = false, class Body>
inline void splitRun(void* destination, const void* source, long n, float gain, long head,
                     Body body) {
  auto* d = static_cast<uint8_t*>(destination);
  const auto* s = static_cast<const uint8_t*>(source);
  constexpr long db = Layout<D>::kBytes, sb = Layout<S>::kBytes;
  head = head < n ? head : n;
  copySamples<D, S>(d, s, head, gain);
  long groups = (n - head - (Spill ? 2 : 0)) / Group;
  groups = groups > 0 ? groups : 0;
  if (groups > 0) body(d + head * db, s + head * sb, groups);
  const long done = head + groups * Group;
  copySamples<D, S>(d + done * db, s + done * sb, n - done, gain);
}

// Single-precision source to integer by the SSE method, whatever registers the body uses: the
// body runs on a 16-byte aligned source only, and only where single-precision products are
// exact; every other run goes wholly to the scalar method. body(destination, source, groups,
// multiplier, low limit, high limit) converts whole groups of Group samples; 24-bit bodies may
// spill, as for splitRun.
template <TZSAMPLETYPE D, long Group, class Body>
inline void singleToInt(void* d, const void* s, long n, float gain, Body body) {
  constexpr int m = Layout<D>::kBits;
  if (!isAligned(s, 4) || !isExactSingleScale(gain, m - 1)) {
    copySamples<D, TZSAMPLETYPE_FLOAT32>(d, s, n, gain);
    return;
  }
  VectorMode mode(flushBitsForIntegerOutput());
  const __m128 k = _mm_set1_ps(gain * static_cast<float>(power2(m - 1)));
  const __m128 lo = _mm_set1_ps(static_cast<float>(kIntLow<m>));
  const __m128 hi = _mm_set1_ps(static_cast<float>(kIntHigh<m>));
  splitRun<D, TZSAMPLETYPE_FLOAT32, Group, D == TZSAMPLETYPE_PCM24>(
      d, s, n, gain, samplesToAlign16(s, 4),
      [&](uint8_t* to, const uint8_t* from, long groups) { body(to, from, groups, k, lo, hi); });
}

}  // namespace
}  // namespace tz::audio

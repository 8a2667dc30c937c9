// Every format-copy kernel this processor runs, the named variants and the baseline vector
// kernel of each of the 117 pairs, must give the reference conversion's bytes (one sample at a
// time): over every 8- and 16-bit value, 24- and 32-bit edges and rounding ties, dense float
// sweeps (edges, ties, denormals, out of range, NaN), many gains, unaligned heads and tails,
// guard bytes, in place, and for the baseline kernels under the caller's flush and rounding modes.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include "support/audio/convertible_types.h"
#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "tz/cpu_support.h"

namespace {

using tz::audio::CopyVariant;
using Bytes = std::vector<uint8_t>;

template <class T>
void append(Bytes& out, T v) {
  const auto* p = reinterpret_cast<const uint8_t*>(&v);
  out.insert(out.end(), p, p + sizeof v);
}

// Values around every multiple of 2^-scale near full scale: exact, ties, one unit either side.
template <class F>
void appendTies(Bytes& out, int scaleBits, int stride) {
  const double scale = std::ldexp(1.0, scaleBits);
  for (long k = -static_cast<long>(scale) - 3; k <= static_cast<long>(scale) + 3; k += stride) {
    for (double half : {0.0, 0.5}) {
      const F x = static_cast<F>((static_cast<double>(k) + half) / scale);
      append(out, x);
      append(out, std::nextafter(x, F(2)));
      append(out, std::nextafter(x, F(-2)));
    }
  }
}

template <class F>
Bytes floatSweep() {
  using L = std::numeric_limits<F>;
  Bytes out;
  for (F x : {F(0), L::infinity(), L::quiet_NaN(), L::denorm_min(), L::min(), L::max(), F(1), F(2),
              F(1e10), F(65536.5), F(4294967296.0)}) {
    append(out, x);
    append(out, -x);
  }
  F withPayload;
  std::memset(&withPayload, 0xFF, sizeof withPayload);  // negative NaN with every payload bit
  append(out, withPayload);
  appendTies<F>(out, 7, 1);
  appendTies<F>(out, 15, 1);
  appendTies<F>(out, 23, 97);
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    append(out, static_cast<F>((static_cast<double>(seed) / 4294967296.0 - 0.5) * 3.0));
  }
  return out;
}

// An integer in the layout's bytes: its low bytes, most significant first for big-endian.
void appendInteger(Bytes& out, TZSAMPLETYPE type, int64_t v) {
  const size_t width = TzAudio_BytesFromSampleType(type);
  const bool bigEndian =
      type == TZSAMPLETYPE_PCM16BE || type == TZSAMPLETYPE_PCM24BE || type == TZSAMPLETYPE_PCM32BE;
  if (type == TZSAMPLETYPE_PCM8) v += 128;
  for (size_t i = 0; i < width; ++i)
    out.push_back(static_cast<uint8_t>(v >> 8 * (bigEndian ? width - 1 - i : i)));
}

// 8- and 16-bit: every value. Wider: the range's ends and, around every multiple of 2^k that
// the narrowing shifts meet near the ends and near zero, the values just below, at and above
// the multiple and the half-way point (odd and even quotients alike); then seeded words.
Bytes sourceSweep(TZSAMPLETYPE source) {
  if (source == TZSAMPLETYPE_FLOAT32) return floatSweep<float>();
  if (source == TZSAMPLETYPE_FLOAT64) return floatSweep<double>();
  Bytes out;
  const int width = static_cast<int>(TzAudio_BytesFromSampleType(source));
  const int bits = source == TZSAMPLETYPE_PCM24IN32 ? 32 : 8 * width;
  const int64_t lo = -(int64_t{1} << (bits - 1)), hi = -lo - 1;
  if (bits <= 16) {
    for (int64_t v = lo; v <= hi; ++v) appendInteger(out, source, v);
    return out;
  }
  for (int k : {8, 16, 24}) {
    const int64_t limit24 = (int64_t{1} << 23) >> k;  // PCM24IN32's limits
    for (int64_t q : {lo >> k, (lo >> k) + 1, int64_t{-2}, int64_t{-1}, int64_t{0}, int64_t{1},
                      int64_t{2}, (hi >> k) - 1, hi >> k, -limit24, limit24 - 1}) {
      for (int64_t r : {int64_t{-1}, int64_t{0}, int64_t{1}}) {
        for (int64_t at : {q << k, (q << k) + (int64_t{1} << (k - 1))})
          appendInteger(out, source, std::clamp(at + r, lo, hi));
      }
    }
  }
  uint32_t seed = 777;
  for (int i = 0; i < 30000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    appendInteger(out, source, static_cast<int32_t>(seed));
  }
  return out;
}

bool runsHere(const CopyVariant& v) {
  return (TzGetCPUHardwareSupport(v.needs) & v.needs) == v.needs;
}

const float kGains[] = {1.0f,
                        0.7f,
                        0.5f,
                        2.0f,
                        -1.0f,
                        0x1p40f,
                        -0x1p-20f,
                        1.0f / 3.0f,
                        3.0e38f,
                        0.0f,
                        std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity()};

class CopyVariantTest : public testing::TestWithParam<CopyVariant> {
 protected:
  void SetUp() override {
    if (!runsHere(GetParam())) GTEST_SKIP() << "not offered by this processor";
    reference_ = tz::audio::referenceCopyKernel(GetParam().destination, GetParam().source);
    in_ = TzAudio_BytesFromSampleType(GetParam().source);
    out_ = TzAudio_BytesFromSampleType(GetParam().destination);
    static std::map<TZSAMPLETYPE, Bytes> sweeps;  // built once per source layout
    if (!sweeps.contains(GetParam().source))
      sweeps[GetParam().source] = sourceSweep(GetParam().source);
    sweep_ = &sweeps[GetParam().source];
  }

  bool isBaseline() const { return std::strcmp(GetParam().name, "baseline") == 0; }

  // `count` samples of the sweep from sample `first`, over again from its start if it is short.
  void copySweep(uint8_t* to, long first, long count) const {
    const long total = static_cast<long>(sweep_->size() / in_);
    for (long i = 0; i < count; ++i)
      std::memcpy(to + i * in_, sweep_->data() + (first + i) % total * in_, in_);
  }

  // Runs both kernels on `count` samples from sample `first` of the sweep, the source (a heap
  // block of exactly its size, so that a read past it is caught under the sanitizers) and the
  // destination starting `sourceOffset` / `destinationOffset` bytes past a 16-byte boundary;
  // the 16 bytes around the destination must stay untouched, and the caller's MXCSR too.
  void expectSame(long first, long count, size_t sourceOffset, size_t destinationOffset,
                  float gain) {
    alignas(16) static uint8_t want[1 << 20], got[1 << 20];
    Bytes src(sourceOffset + count * in_);
    copySweep(src.data() + sourceOffset, first, count);
    const size_t span = 16 + destinationOffset + count * out_ + 16;
    std::memset(want, 0xA5, span);
    std::memset(got, 0xA5, span);
    const unsigned mode = _mm_getcsr();
    reference_(want + 16 + destinationOffset, src.data() + sourceOffset, count, gain);
    _mm_setcsr(mode);
    GetParam().kernel(got + 16 + destinationOffset, src.data() + sourceOffset, count, gain);
    const unsigned after = _mm_getcsr();
    _mm_setcsr(mode);
    ASSERT_EQ(mode & 0xFFC0, after & 0xFFC0) << "control bits changed, gain " << gain;
    for (size_t i = 0; i < span; ++i)
      ASSERT_EQ(want[i], got[i]) << "byte " << static_cast<long>(i) - 16 - destinationOffset
                                 << " first " << first << " count " << count << " offsets "
                                 << sourceOffset << "/" << destinationOffset << " gain " << gain;
  }

  // The whole sweep at gains 1.0 and 0.7 unless `strided`, else every eighth stretch of it.
  void sweepGains(const std::vector<float>& gains, bool strided = false) {
    const long total = static_cast<long>(sweep_->size() / in_);
    for (float gain : gains) {
      const bool whole = !strided && (gain == 1.0f || gain == 0.7f);
      const long stretch = whole ? 50000 : 4096, stride = whole ? 50000 : 8 * 4096;
      for (long first = 0; first < total; first += stride)
        expectSame(first, std::min(stretch, total - first), 0, 0, gain);
    }
  }

  tz::audio::CopyKernel reference_ = nullptr;
  size_t in_ = 0, out_ = 0;
  const Bytes* sweep_ = nullptr;
};

TEST_P(CopyVariantTest, WholeSweepAtEveryGain) {
  sweepGains(std::vector<float>(std::begin(kGains), std::end(kGains)));
}

TEST_P(CopyVariantTest, UnalignedHeadsAndShortTails) {
  const size_t step = std::min<size_t>(in_, out_);
  for (size_t sourceOffset = 0; sourceOffset < 16; sourceOffset += step == 1 ? 1 : step / 2)
    for (size_t destinationOffset = 0; destinationOffset < 16; destinationOffset += out_)
      for (long count : {0L,  1L,  2L,  3L,  4L,  5L,  6L,  7L,  8L,  9L,  10L, 11L, 12L,
                         13L, 14L, 15L, 16L, 17L, 18L, 19L, 20L, 33L, 47L, 48L, 49L})
        for (float gain : {1.0f, 0.7f})
          expectSame(count * 7, count, sourceOffset, destinationOffset, gain);
}

TEST_P(CopyVariantTest, InPlaceMatchesSeparateBuffers) {
  alignas(16) static uint8_t buffer[1 << 20], want[1 << 20];
  for (float gain : {1.0f, 0.7f}) {
    for (long count : {0L, 1L, 3L, 17L, 50L, 1000L, 4099L}) {
      for (size_t offset : {size_t{0}, in_, size_t{1}}) {
        copySweep(buffer + offset, 11, count);
        reference_(want, buffer + offset, count, gain);
        GetParam().kernel(buffer + offset, buffer + offset, count, gain);
        ASSERT_EQ(0, std::memcmp(want, buffer + offset, count * out_))
            << count << " at " << offset << " gain " << gain;
      }
    }
  }
}

// The baseline kernels run under the caller's modes, as the reference does: flush-to-zero with
// denormals-are-zero, and each rounding mode other than to nearest.
TEST_P(CopyVariantTest, BaselineFollowsTheCallersModes) {
  if (!isBaseline()) GTEST_SKIP() << "named variants choose their own modes";
  const unsigned saved = _mm_getcsr();
  for (unsigned bits : {0x8040u, 0x2000u, 0x4000u, 0x6000u}) {
    SCOPED_TRACE(testing::Message() << "MXCSR bits " << std::hex << bits);
    _mm_setcsr((saved & ~0xE040u) | bits);
    sweepGains({1.0f, 0.5f, 0x1p-20f, 0.3f}, true);
    _mm_setcsr(saved);
  }
}

std::string variantName(const testing::TestParamInfo<CopyVariant>& info) {
  std::string isa = info.param.name;
  std::erase(isa, '-');
  char name[64];
  std::snprintf(name, sizeof name, "To%02lxFrom%02lx_%s",
                static_cast<unsigned long>(info.param.destination),
                static_cast<unsigned long>(info.param.source), isa.c_str());
  return name;
}

// The named variants, then the baseline kernel of every pair.
std::vector<CopyVariant> everyKernel() {
  std::vector<CopyVariant> kernels(tz::audio::copyVariants().begin(),
                                   tz::audio::copyVariants().end());
  for (TZSAMPLETYPE d : tz::audio::kConvertibleTypes)
    for (TZSAMPLETYPE s : tz::audio::kConvertibleTypes)
      if (tz::audio::hasCopyKernel(d, s))
        kernels.push_back({d, s, "baseline", 0, tz::audio::baselineCopyKernel(d, s)});
  return kernels;
}

INSTANTIATE_TEST_SUITE_P(AllVariants, CopyVariantTest, testing::ValuesIn(everyKernel()),
                         variantName);

}  // namespace

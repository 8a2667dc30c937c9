// Every kernel variant this processor runs must give the baseline kernel's bytes: over every
// 16-bit value and dense float sweeps (edges, ties, denormals, out of range, NaN), for
// several gains, unaligned heads and tails of every length up to 20, and in place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

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

Bytes sourceSweep(TZSAMPLETYPE source) {
  if (source == TZSAMPLETYPE_FLOAT32) return floatSweep<float>();
  if (source == TZSAMPLETYPE_FLOAT64) return floatSweep<double>();
  Bytes out;  // 16-bit: every value
  for (int v = -32768; v < 32768; ++v) append(out, static_cast<int16_t>(v));
  return out;
}

bool runsHere(const CopyVariant& v) {
  return (TzGetCPUHardwareSupport(v.needs) & v.needs) == v.needs;
}

class CopyVariantTest : public testing::TestWithParam<CopyVariant> {
 protected:
  void SetUp() override {
    if (!runsHere(GetParam())) GTEST_SKIP() << "not offered by this processor";
    scalar_ = tz::audio::scalarCopyKernel(GetParam().destination, GetParam().source);
    in_ = TzAudio_BytesFromSampleType(GetParam().source);
    out_ = TzAudio_BytesFromSampleType(GetParam().destination);
    sweep_ = sourceSweep(GetParam().source);
  }

  // Runs both kernels on `count` samples from sample `first` of the sweep, the source and
  // destination starting `sourceOffset` / `destinationOffset` bytes past a 16-byte boundary;
  // bytes around the destination must stay untouched.
  void expectSame(long first, long count, size_t sourceOffset, size_t destinationOffset,
                  float gain) {
    alignas(16) static uint8_t src[1 << 20], want[1 << 20], got[1 << 20];
    std::memcpy(src + sourceOffset, sweep_.data() + first * in_, count * in_);
    std::memset(want, 0xA5, count * out_ + destinationOffset + 16);
    std::memset(got, 0xA5, count * out_ + destinationOffset + 16);
    scalar_(want + destinationOffset, src + sourceOffset, count, gain);
    GetParam().kernel(got + destinationOffset, src + sourceOffset, count, gain);
    ASSERT_EQ(0, std::memcmp(want, got, count * out_ + destinationOffset + 16))
        << "first " << first << " count " << count << " offsets " << sourceOffset << "/"
        << destinationOffset << " gain " << gain;
  }

  tz::audio::CopyKernel scalar_ = nullptr;
  size_t in_ = 0, out_ = 0;
  Bytes sweep_;
};

TEST_P(CopyVariantTest, WholeSweepAtEveryGain) {
  const long total = static_cast<long>(sweep_.size() / in_);
  for (float gain : {1.0f, 0.5f, 2.0f, -1.0f, 0x1p40f, -0x1p-20f, 0.7f, 1.0f / 3.0f, 3.0e38f, 0.0f})
    for (long first = 0; first < total; first += 50000)
      expectSame(first, std::min(50000L, total - first), 0, 0, gain);
}

TEST_P(CopyVariantTest, UnalignedHeadsAndShortTails) {
  const size_t step = std::min<size_t>(in_, out_);
  for (size_t sourceOffset = 0; sourceOffset < 16; sourceOffset += step == 1 ? 1 : step / 2)
    for (size_t destinationOffset = 0; destinationOffset < 16; destinationOffset += out_)
      for (long count = 0; count <= 20; ++count)
        for (float gain : {1.0f, 0.7f})
          expectSame(count * 7, count, sourceOffset, destinationOffset, gain);
}

TEST_P(CopyVariantTest, InPlaceMatchesSeparateBuffers) {
  alignas(16) static uint8_t buffer[1 << 20], want[1 << 20];
  for (long count : {0L, 1L, 3L, 17L, 1000L, 4099L}) {
    for (size_t offset : {size_t{0}, in_}) {
      std::memcpy(buffer + offset, sweep_.data() + 11 * in_, count * in_);
      scalar_(want, buffer + offset, count, 1.0f);
      GetParam().kernel(buffer + offset, buffer + offset, count, 1.0f);
      ASSERT_EQ(0, std::memcmp(want, buffer + offset, count * out_)) << count << " at " << offset;
    }
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

INSTANTIATE_TEST_SUITE_P(AllVariants, CopyVariantTest,
                         testing::ValuesIn(tz::audio::copyVariants().begin(),
                                           tz::audio::copyVariants().end()),
                         variantName);

}  // namespace

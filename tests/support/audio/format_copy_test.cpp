// Format copy through its exports: the examples that pin rounding, saturation and the exact
// paths, the pairs without a kernel, and the kernel that each processor class is given.
#include "tz/format_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_copy.h"
#include "tests/support/audio/wave_formats.h"
#include "tz/cpu_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using tz::audio::DetectedCpu;

_tzwaveformat format(TZSAMPLETYPE type, WORD channels = 1) {
  return {48000, type, 0, channels,
          static_cast<WORD>(TzAudio_BytesFromSampleType(type) * channels)};
}

Bytes convert(TZSAMPLETYPE to, TZSAMPLETYPE from, const Bytes& in, float gain) {
  const _tzwaveformat df = format(to), sf = format(from);
  const long n = static_cast<long>(in.size() / TzAudio_BytesFromSampleType(from));
  Bytes out(n * TzAudio_BytesFromSampleType(to), 0xEE);
  EXPECT_EQ(TzAudio_Copy(&df, out.data(), &sf, in.data(), n, gain), S_OK);
  return out;
}

constexpr auto P8 = TZSAMPLETYPE_PCM8, P8S = TZSAMPLETYPE_PCM8S, P16 = TZSAMPLETYPE_PCM16,
               P16BE = TZSAMPLETYPE_PCM16BE, P24 = TZSAMPLETYPE_PCM24, P24BE = TZSAMPLETYPE_PCM24BE,
               P32 = TZSAMPLETYPE_PCM32, P32BE = TZSAMPLETYPE_PCM32BE,
               P24IN32 = TZSAMPLETYPE_PCM24IN32, F32 = TZSAMPLETYPE_FLOAT32,
               F64 = TZSAMPLETYPE_FLOAT64;
const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(FormatCopyTest, ExamplesAtEveryClass) {
  const struct {
    const char* name;
    TZSAMPLETYPE to, from;
    Bytes in, want;
    float gain;
  } rows[] = {
      {"16 to float", F32, P16, bytesOf<int16_t>({0x7FFF, -32768, 1}),
       bytesOf<float>({0.999969482421875f, -1.0f, 1.0f / 32768}), 1},
      {"float to 16 saturates", P16, F32, bytesOf<float>({1, -1, 2, -2, kInf, -kInf, 3e38f}),
       bytesOf<int16_t>({32767, -32768, 32767, -32768, 32767, -32768, 32767}), 1},
      {"float ties to even", P16, F32,
       bytesOf<float>({0.5f / 32768, 1.5f / 32768, 2.5f / 32768, -0.5f / 32768, -1.5f / 32768}),
       bytesOf<int16_t>({0, 2, 2, 0, -2}), 1},
      {"NaN is silence", P16, F32, bytesOf<float>({kNaN, -kNaN}), bytesOf<int16_t>({0, 0}), 1},
      {"NaN is silence, unsigned", P8, F64, bytesOf<double>({kNaN}), Bytes{0x80}, 1},
      {"double to 24", P24, F64, bytesOf<double>({1.0, -1.0, 0.5}),
       Bytes{0xFF, 0xFF, 0x7F, 0, 0, 0x80, 0, 0, 0x40}, 1},
      {"32 narrows to 16 with ties to even", P16, P32,
       bytesOf<int32_t>({0x00018000, 0x00028000, 0x7FFFFFFF, INT32_MIN}),
       bytesOf<int16_t>({2, 2, 32767, -32768}), 1},
      {"unsigned 8 widens exactly", P16, P8, Bytes{0x00, 0xFF, 0x80},
       bytesOf<int16_t>({-32768, 0x7F00, 0}), 1},
      {"16 widens to 24 by shifting", P24, P16, bytesOf<int16_t>({0x1234}), Bytes{0x00, 0x34, 0x12},
       1},
      {"gain halves", P16, P16, bytesOf<int16_t>({100, 101, 103}), bytesOf<int16_t>({50, 50, 52}),
       0.5f},
      {"gain saturates", P16, P16, bytesOf<int16_t>({20000, -20000}),
       bytesOf<int16_t>({32767, -32768}), 2},
      {"24-in-32 limited before widening", P32, P24IN32,
       bytesOf<int32_t>({0x01000000, -0x01000000}), bytesOf<int32_t>({0x7FFFFF00, INT32_MIN}), 1},
      {"24-in-32 to itself is a copy", P24IN32, P24IN32, bytesOf<int32_t>({0x01000000}),
       bytesOf<int32_t>({0x01000000}), 1},
      {"24-in-32 narrows unlimited", F32, P24IN32, bytesOf<int32_t>({0x01000000}),
       bytesOf<float>({2.0f}), 1},
      {"signedness flips", P8S, P8, Bytes{0x00, 0x80, 0xFF}, Bytes{0x80, 0x00, 0x7F}, 1},
      {"byte order reverses", P32BE, P32, bytesOf<int32_t>({0x11223344}),
       Bytes{0x11, 0x22, 0x33, 0x44}, 1},
      {"big-endian 16 widens to 24-in-32", P24IN32, P16BE, Bytes{0x80, 0x01},
       bytesOf<int32_t>({-0x7FFF00}), 1},
      {"big-endian 24 to float", F32, P24BE, Bytes{0x40, 0, 0}, bytesOf<float>({0.5f}), 1},
      {"double to float rounds", F32, F64, bytesOf<double>({1.0 + 0x1p-24, 1.0 + 3 * 0x1p-24, 3.0}),
       bytesOf<float>({1.0f, 1.0f + 0x1p-22f, 3.0f}), 1},
      {"float to double with gain", F64, F32, bytesOf<float>({0.1f}),
       bytesOf<double>({double{0.1f} * 0.5}), 0.5f},
      {"8 narrows from 16 with rounding", P8S, P16, bytesOf<int16_t>({0x0180, 0x0280, 0x7FFF}),
       Bytes{2, 2, 0x7F}, 1},
  };
  // Classes 0, 4 (x87), 5 and 6, then everything this machine has (SSE4.1 included).
  for (DWORD allowed :
       {0ul, TZCPU_MMX, TZCPU_MMX | TZCPU_SSE, TZCPU_MMX | TZCPU_SSE | TZCPU_SSE2, 0xFF0ul}) {
    TzOnlyAllowCPUSupport(allowed);
    if (allowed != TZCPU_SIMD_MASK) TzSetCPUClassBySupport();
    for (const auto& r : rows)
      EXPECT_EQ(convert(r.to, r.from, r.in, r.gain), r.want) << r.name << ", allowed " << allowed;
    tz::audio::resetCpuSupportForTesting();
  }
}

// Every integer layout through each float layout and back is exact; half an LSB added on the
// float side rounds to even; values beyond full scale saturate.
TEST(FormatCopyTest, RoundTripsThroughFloatRoundHalfToEven) {
  const struct {
    TZSAMPLETYPE type;
    int bits;
    bool bigEndian;
  } layouts[] = {{P8, 8, false},       {P8S, 8, false},  {P16, 16, false},
                 {P16BE, 16, true},    {P24, 24, false}, {P24BE, 24, true},
                 {P24IN32, 24, false}, {P32, 32, false}, {P32BE, 32, true}};
  for (const auto& a : layouts) {
    const size_t bytes = TzAudio_BytesFromSampleType(a.type);
    for (TZSAMPLETYPE b : {F32, F64}) {
      if (b == F32 && a.bits == 32) continue;  // single precision holds 24 bits
      const long step = a.bits <= 16 ? 1 : a.bits == 24 ? 61 : 0x3FFFF;
      std::vector<int64_t> values;
      const int64_t lo = -(int64_t{1} << (a.bits - 1)), hi = (int64_t{1} << (a.bits - 1)) - 1;
      for (int64_t v = lo; v <= hi; v += step) values.push_back(v);
      values.push_back(hi);
      Bytes ramp(values.size() * bytes), want(ramp.size());
      auto put = [&](Bytes& out, size_t i, int64_t v) {
        uint8_t le[4];
        const auto word = static_cast<uint32_t>(a.type == P8 ? (v ^ 0x80) : v);
        for (size_t k = 0; k < 4; ++k) le[k] = static_cast<uint8_t>(word >> (8 * k));
        for (size_t k = 0; k < bytes; ++k) out[i * bytes + k] = le[a.bigEndian ? bytes - 1 - k : k];
      };
      for (size_t i = 0; i < values.size(); ++i) {
        put(ramp, i, values[i]);
        put(want, i, std::min(values[i] + (values[i] & 1), hi));  // odd values round up
      }
      const Bytes floats = convert(b, a.type, ramp, 1.0f);
      EXPECT_EQ(convert(a.type, b, floats, 1.0f), ramp) << std::hex << a.type << " via " << b;
      Bytes halfUp = floats;
      const auto addHalf = [&]<class F>(F) {
        for (size_t i = 0; i < values.size(); ++i) {
          F f;
          std::memcpy(&f, &halfUp[i * sizeof f], sizeof f);
          f = static_cast<F>(std::min(1.0, f + std::ldexp(1.0, -a.bits)));
          std::memcpy(&halfUp[i * sizeof f], &f, sizeof f);
        }
      };
      b == F32 ? addHalf(0.0f) : addHalf(0.0);
      EXPECT_EQ(convert(a.type, b, halfUp, 1.0f), want) << std::hex << a.type << " via " << b;
    }
  }
}

// Widening pairs walk backward and narrowing ones forward, so every pair converts in place.
TEST(FormatCopyTest, EveryPairConvertsInPlace) {
  Bytes source(8 * 1001);
  uint32_t seed = 5;
  for (uint8_t& b : source) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  for (DWORD d = 0; d < 0x50; ++d) {
    for (DWORD s = 0; s < 0x50; ++s) {
      const auto kernel =
          TzAudio_GetCopyFunction2(static_cast<TZSAMPLETYPE>(d), static_cast<TZSAMPLETYPE>(s));
      if (kernel == nullptr) continue;
      Bytes separate(source.size()), inPlace = source;
      for (float gain : {1.0f, 0.75f}) {
        kernel(separate.data(), source.data(), 1001, gain);
        inPlace = source;
        kernel(inPlace.data(), inPlace.data(), 1001, gain);
        const size_t out = 1001 * TzAudio_BytesFromSampleType(static_cast<TZSAMPLETYPE>(d));
        EXPECT_EQ(0, std::memcmp(separate.data(), inPlace.data(), out))
            << std::hex << d << " <- " << s;
      }
    }
  }
}

TEST(FormatCopyTest, PairsAndZeroFrames) {
  int pairs = 0;
  for (DWORD d = 0; d < 0x90; ++d)
    for (DWORD s = 0; s < 0x90; ++s)
      if (TzAudio_GetCopyFunction2(static_cast<TZSAMPLETYPE>(d), static_cast<TZSAMPLETYPE>(s)) !=
          nullptr)
        ++pairs;
  EXPECT_EQ(pairs, 117);
  const _tzwaveformat p24in32 = format(P24IN32), p16be = format(P16BE),
                      wide = format(TZSAMPLETYPE_WIDE16);
  uint8_t buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const uint8_t before[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(TzAudio_Copy(&p16be, buffer, &p24in32, buffer, 1, 1.0f), E_NOTIMPL);
  EXPECT_EQ(TzAudio_Copy(&p16be, buffer, &p24in32, buffer, 0, 1.0f), S_OK);
  EXPECT_EQ(TzAudio_Copy(&wide, buffer, &wide, buffer, 1, 1.0f), E_NOTIMPL);
  EXPECT_EQ(TzAudio_Copy(&p16be, buffer, &p16be, buffer, -1, 1.0f), E_INVALIDARG);
  EXPECT_EQ(TzAudio_Copy(&p16be, buffer, &p16be, nullptr, 1, 1.0f), E_POINTER);
  EXPECT_EQ(
      TzAudio_Copy(&p16be, buffer, static_cast<const _tzwaveformat*>(nullptr), buffer, 1, 1.0f),
      E_POINTER);
  EXPECT_EQ(TzAudio_GetCopyFunction(static_cast<const WAVEFORMATEX*>(nullptr),
                                    static_cast<const _tzwaveformat*>(nullptr)),
            nullptr);
  EXPECT_EQ(0, std::memcmp(buffer, before, 8));
  EXPECT_EQ(TzAudio_Copy(&p24in32, buffer, &p16be, buffer, 1, 1.0f), S_OK);

  // The WAVEFORMATEX forms classify; the channel count of the source decides the samples.
  WAVEFORMATEX f16, f32;
  TzAudio_InitWfx(&f16, 48000, P16, 2);
  TzAudio_InitWfx(&f32, 48000, F32, 2);
  const _tzwaveformat t32 = format(F32, 2);
  const int16_t in[4] = {16384, -16384, 8192, 0};
  float out[4] = {};
  EXPECT_EQ(TzAudio_GetCopyFunction(&f32, &f16), TzAudio_GetCopyFunction2(F32, P16));
  EXPECT_EQ(TzAudio_GetCopyFunction(&t32, &f16), TzAudio_GetCopyFunction2(F32, P16));
  EXPECT_EQ(TzAudio_Copy(&f32, out, &f16, in, 2, 1.0f), S_OK);
  EXPECT_EQ(out[3], 0.0f);
  EXPECT_EQ(out[2], 0.25f);
  EXPECT_EQ(TzAudio_Copy(&t32, out, &f16, in, 1, 2.0f), S_OK);
  EXPECT_EQ(out[1], -1.0f);
}

TEST(FormatCopyTest, ClassTableAndFlagsChooseTheKernel) {
  namespace ta = tz::audio;
  const auto scalar = [](TZSAMPLETYPE d, TZSAMPLETYPE s) { return ta::baselineCopyKernel(d, s); };
  const DWORD class6 = TZCPU_MMX | TZCPU_SSE | TZCPU_SSE2 | TZCPU_DAZ | TZCPU_CMOV;
  // Each row: the kernels for these pairs, in order.
  const std::pair<TZSAMPLETYPE, TZSAMPLETYPE> pairs[] = {{P16, F32}, {P8, F64},  {P24, F64},
                                                         {F32, P16}, {F64, P16}, {F64, F32}};
  const struct {
    const char* name;
    DetectedCpu cpu;
    TZAUDIOCOPYPROC want[6];
  } rows[] = {
      {"class 1",
       {1, 1, 0, 0, 0},
       {scalar(P16, F32), scalar(P8, F64), scalar(P24, F64), scalar(F32, P16), scalar(F64, P16),
        scalar(F64, F32)}},
      {"class 3",
       {1, 3, TZCPU_CMOV, TZCPU_CMOV, 0},
       {ta::x87::float32ToPcm16, ta::x87::float64ToPcm8, ta::x87::float64ToPcm24, scalar(F32, P16),
        scalar(F64, P16), scalar(F64, F32)}},
      {"class 5",
       {1, 5, class6 & ~TZCPU_SSE2, class6, 0x30},
       {ta::sse::float32ToPcm16, ta::x87::float64ToPcm8, ta::x87::float64ToPcm24,
        ta::sse::pcm16ToFloat32, scalar(F64, P16), scalar(F64, F32)}},
      {"class 6",
       {1, 6, class6, class6, 0x70},
       {ta::sse2::float32ToPcm16, ta::sse2::float64ToPcm8, ta::sse2::float64ToPcm24,
        ta::sse2::pcm16ToFloat32, ta::sse2::pcm16ToFloat64, ta::sse2::float32ToFloat64}},
      {"class 6 with SSE4.1",
       {1, 6, class6, class6 | TZCPU_SSE41, 0x270},
       {ta::sse2::float32ToPcm16, ta::sse2::float64ToPcm8, ta::sse2::float64ToPcm24,
        ta::sse41::pcm16ToFloat32, ta::sse2::pcm16ToFloat64, ta::sse2::float32ToFloat64}},
  };
  for (const auto& r : rows) {
    ta::resetCpuSupportForTesting(&r.cpu);
    for (size_t i = 0; i < std::size(pairs); ++i)
      EXPECT_EQ(TzAudio_GetCopyFunction2(pairs[i].first, pairs[i].second), r.want[i])
          << r.name << ", pair " << i;
  }
  // Reducing what is allowed moves every choice down; a kernel obtained earlier keeps working.
  const DetectedCpu sse41 = rows[4].cpu;
  ta::resetCpuSupportForTesting(&sse41);
  const TZAUDIOCOPYPROC before = TzAudio_GetCopyFunction2(P16, F32);
  TzOnlyAllowCPUSupport(TZCPU_MMX | TZCPU_SSE);
  TzSetCPUClassBySupport();
  EXPECT_EQ(TzAudio_GetCopyFunction2(F32, P16), ta::sse::pcm16ToFloat32);
  EXPECT_EQ(TzAudio_GetCopyFunction2(P16, F32), ta::sse::float32ToPcm16);
  EXPECT_EQ(TzAudio_GetCopyFunction2(P8, F64), ta::x87::float64ToPcm8);
  EXPECT_EQ(TzAudio_GetCopyFunction2(F32, F64), scalar(F32, F64));
  TzOnlyAllowCPUSupport(0);
  TzSetCPUClassBySupport();
  EXPECT_EQ(TzAudio_GetCopyFunction2(P16, F32), scalar(P16, F32));
  EXPECT_EQ(TzAudio_GetCopyFunction2(F32, P16), scalar(F32, P16));
  const float in[3] = {0.5f, -0.25f, 1.0f / 65536};
  int16_t a[3], b[3];
  before(a, in, 3, 1.0f);
  TzAudio_GetCopyFunction2(P16, F32)(b, in, 3, 1.0f);
  EXPECT_EQ(0, std::memcmp(a, b, sizeof a));
  ta::resetCpuSupportForTesting();
}

}  // namespace

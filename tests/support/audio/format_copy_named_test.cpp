// The structure of the kernels that convert in blocks, beyond the variant suite's sweeps: the
// SSE2 float to 8- and 16-bit kernels, and the baseline float to four-byte integer kernels,
// convert blocks without limits and, from a block whose conversions raised the invalid-operation
// flag on, convert with limits (clearing a flag the caller left set); the SSE4.1 16-bit to float
// kernel runs two groups per pass, and the baseline four-byte integer to float kernel a loop of
// its own. Each case compares a named kernel with the baseline kernel run under the default
// control register, a baseline kernel with the reference under the caller's, and checks that the
// caller's register comes back bit for bit.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "support/audio/cpu_support_internal.h"
#include "support/audio/format_copy.h"
#include "tz/cpu_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kDefaultCsr = 0x1F80;

struct Named {
  const char* name;
  tz::audio::CopyKernel kernel;
  TZSAMPLETYPE destination, source;
  long block;  // samples per flag check (512 groups), or the two-group pass, or the group
  DWORD needs;
  bool baseline;  // follows the caller's modes, as the reference does
};
const Named kNamed[] = {
    {"Pcm8FromFloat32", tz::audio::sse2::float32ToPcm8, TZSAMPLETYPE_PCM8, TZSAMPLETYPE_FLOAT32,
     8192, TZCPU_SSE2, false},
    {"Pcm16FromFloat32", tz::audio::sse2::float32ToPcm16, TZSAMPLETYPE_PCM16, TZSAMPLETYPE_FLOAT32,
     4096, TZCPU_SSE2, false},
    {"Float32FromPcm16", tz::audio::sse41::pcm16ToFloat32, TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM16,
     16, TZCPU_SSE41, false},
    {"BaselinePcm32FromFloat32",
     tz::audio::baselineCopyKernel(TZSAMPLETYPE_PCM32, TZSAMPLETYPE_FLOAT32), TZSAMPLETYPE_PCM32,
     TZSAMPLETYPE_FLOAT32, 8192, 0, true},
    {"BaselinePcm32beFromFloat32",
     tz::audio::baselineCopyKernel(TZSAMPLETYPE_PCM32BE, TZSAMPLETYPE_FLOAT32),
     TZSAMPLETYPE_PCM32BE, TZSAMPLETYPE_FLOAT32, 8192, 0, true},
    {"BaselinePcm24in32FromFloat32",
     tz::audio::baselineCopyKernel(TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_FLOAT32),
     TZSAMPLETYPE_PCM24IN32, TZSAMPLETYPE_FLOAT32, 8192, 0, true},
    {"BaselineFloat32FromPcm32",
     tz::audio::baselineCopyKernel(TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM32), TZSAMPLETYPE_FLOAT32,
     TZSAMPLETYPE_PCM32, 16, 0, true},
};

// Inputs that a quick conversion gets wrong and the flag must catch, with the legal extremes.
const float kSpoilers[] = {std::numeric_limits<float>::quiet_NaN(),
                           -std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::signaling_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           1e10f,
                           -1e10f,
                           65536.5f,
                           -65536.0f,
                           1.0f,
                           -1.0f};

class NamedKernelTest : public testing::TestWithParam<Named> {
 protected:
  void SetUp() override {
    if ((TzGetCPUHardwareSupport(GetParam().needs) & GetParam().needs) != GetParam().needs)
      GTEST_SKIP() << "not offered by this processor";
    in_ = TzAudio_BytesFromSampleType(GetParam().source);
    out_ = TzAudio_BytesFromSampleType(GetParam().destination);
  }

  bool floatSource() const { return GetParam().source == TZSAMPLETYPE_FLOAT32; }

  // Ordinary samples: floats within +-0.95, or every 16-bit value in turn, or 32-bit values
  // spread over the range.
  Bytes ordinary(long count) const {
    Bytes bytes(count * in_);
    uint32_t seed = 99;
    for (long i = 0; i < count; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const float x = static_cast<float>((seed / 4294967296.0 - 0.5) * 1.9);
      const auto v = static_cast<int16_t>(i * 40503);
      const void* value = floatSource() ? static_cast<const void*>(&x)
                          : in_ == 4    ? static_cast<const void*>(&seed)
                                        : &v;
      std::memcpy(&bytes[i * in_], value, in_);
    }
    return bytes;
  }

  // The kernel on `source` copied `sourceOffset` bytes past a 16-byte boundary, writing
  // `destinationOffset` bytes past one (or in place), under the caller's register `csr`; must
  // equal the baseline under the default register (a baseline kernel: the reference under
  // `csr`) and give `csr` back.
  void expectSame(const Bytes& source, size_t sourceOffset, size_t destinationOffset, uint32_t csr,
                  bool inPlace, float gain = 1.0f) {
    const long count = static_cast<long>(source.size() / in_);
    const size_t outBytes = count * out_;
    alignas(16) static uint8_t want[1 << 18], got[1 << 18], src[1 << 18];
    std::memset(want, 0xA5, outBytes + 32);
    std::memset(got, 0xA5, outBytes + 32);
    std::copy(source.begin(), source.end(), src + sourceOffset);
    const bool baseline = GetParam().baseline;
    _mm_setcsr(baseline ? csr : kDefaultCsr);
    (baseline ? tz::audio::referenceCopyKernel : tz::audio::baselineCopyKernel)(
        GetParam().destination, GetParam().source)(want + destinationOffset, src + sourceOffset,
                                                   count, gain);
    uint8_t* to = got + destinationOffset;
    if (inPlace) std::copy(source.begin(), source.end(), to);
    _mm_setcsr(csr);
    GetParam().kernel(to, inPlace ? to : src + sourceOffset, count, gain);
    const uint32_t after = _mm_getcsr();
    _mm_setcsr(kDefaultCsr);
    // Only the flag-checked blocks give the flags back: a float source off the 4-byte grid
    // takes the baseline's block method, and a baseline kernel its other methods elsewhere
    // (integer sources, rounding other than to nearest, runs shorter than its 16-sample block),
    // which leave the flags they raise, as the reference does; the modes come back all the same.
    const bool aligned = !(floatSource() && sourceOffset % 4 != 0);
    const bool flagsKept =
        baseline ? floatSource() && aligned && (csr & 0x6080) == 0x80 && count >= 16 : aligned;
    const uint32_t kept = flagsKept ? ~0u : ~0x3Fu;
    EXPECT_EQ(csr & kept, after & kept) << "control register not restored, count " << count;
    ASSERT_EQ(0, std::memcmp(want + destinationOffset, to, outBytes))
        << "count " << count << " offsets " << sourceOffset << "/" << destinationOffset << " csr "
        << std::hex << csr << (inPlace ? " in place" : "");
    if (!inPlace) {
      ASSERT_EQ(0, std::memcmp(want, got, outBytes + destinationOffset + 16)) << "guard bytes";
    }
  }

  size_t in_ = 0, out_ = 0;
};

TEST_P(NamedKernelTest, LengthsAroundTheBlockAndThePass) {
  const long b = GetParam().block;
  std::vector<long> counts;
  for (long n = 0; n <= 40; ++n) counts.push_back(n);
  for (long base : {b, 2 * b, 3 * b})
    for (long d = -17; d <= 17; ++d)
      if (base + d > 40) counts.push_back(base + d);
  for (long n : counts)
    for (size_t sourceOffset : {size_t{0}, size_t{4}})
      expectSame(ordinary(n), sourceOffset, 0, kDefaultCsr, false);
}

// A spoiler in one block at a time, the blocks before it quick and the rest limited, with the
// caller's flag clear or set.
TEST_P(NamedKernelTest, SpoilersInEachBlock) {
  if (!floatSource()) GTEST_SKIP() << "no input spoils an integer source";
  const long b = GetParam().block, count = 3 * b + 37;
  for (float spoiler : kSpoilers)
    for (long at : {0L, 5L, b - 1, b, b + 1, 2 * b + 9, 3 * b + 2, count - 1}) {
      Bytes source = ordinary(count);
      std::memcpy(&source[at * 4], &spoiler, 4);
      for (uint32_t csr : {kDefaultCsr, kDefaultCsr | 0x01u}) expectSame(source, 0, 0, csr, false);
      expectSame(source, 0, 0, kDefaultCsr, true);
    }
}

TEST_P(NamedKernelTest, EveryAlignment) {
  const long count = GetParam().block + 45;
  Bytes source = ordinary(count);
  if (floatSource()) std::memcpy(&source[(count / 2) * 4], &kSpoilers[0], 4);
  for (size_t sourceOffset = 0; sourceOffset < 16; ++sourceOffset)
    for (size_t destinationOffset = 0; destinationOffset < 16; destinationOffset += out_)
      expectSame(source, sourceOffset, destinationOffset, kDefaultCsr, false);
}

// Rounding toward zero or down, flush-to-zero, denormals-are-zero and every exception flag, as
// a caller may leave them: the results are those of the default modes (for a baseline kernel,
// the reference's under the caller's), and the register is the caller's again afterwards.
// (Named float kernels at other gains take the baseline method, under the caller's modes.)
TEST_P(NamedKernelTest, CallerControlRegister) {
  const long count = 2 * GetParam().block + 21;
  Bytes clean = ordinary(count), spoiled = clean;
  if (floatSource()) std::memcpy(&spoiled[(count - 30) * 4], &kSpoilers[0], 4);
  std::vector<float> gains{1.0f, 0.25f};
  if (!floatSource()) gains.push_back(0.7f);
  for (uint32_t csr : {kDefaultCsr | 0x3Fu, 0x7F80u, 0x3FA1u, 0x9FC0u, 0xFFFFu, 0x1F80u | 0x20u})
    for (float gain : gains)
      for (const Bytes* source : {&clean, &spoiled}) {
        expectSame(*source, 0, 0, csr, false, gain);
        // Widening in place takes the baseline method.
        if (out_ <= in_) expectSame(*source, 0, 0, csr, true, gain);
      }
}

// A caller that unmasks the invalid-operation exception gets no trap from values beyond full
// scale, as from the reference, which limits before it converts. (NaN traps in the reference
// and the baseline, which run under the caller's modes.)
TEST_P(NamedKernelTest, UnderUnmaskedInvalidOperation) {
  if (!floatSource()) GTEST_SKIP() << "float sources only";
  const long count = GetParam().block + 21;
  Bytes source = ordinary(count);
  const float beyond[] = {1e10f, -1e10f, 1.0f, std::numeric_limits<float>::infinity()};
  for (long i = 0; i < 4; ++i) std::memcpy(&source[(i * count / 4 + 3) * 4], &beyond[i], 4);
  for (float gain : {1.0f, 0.25f}) expectSame(source, 0, 0, kDefaultCsr & ~0x80u, false, gain);
}

INSTANTIATE_TEST_SUITE_P(Named, NamedKernelTest, testing::ValuesIn(kNamed),
                         [](const testing::TestParamInfo<Named>& info) { return info.param.name; });

}  // namespace

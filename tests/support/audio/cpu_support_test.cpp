#include "tz/cpu_support.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <thread>
#include <tuple>

#include "support/audio/cpu_support_internal.h"
#include "support/platform/this_thread.h"

namespace {

using tz::audio::computeCpuSupport;
using tz::audio::DetectedCpu;

constexpr uint32_t kTsc = 1u << 4, kCmov = 1u << 15, kFpu = 1u << 0, kMmx = 1u << 23;
constexpr uint32_t kSse = 1u << 25, kSse2 = 1u << 26,
                   kAll = kTsc | kCmov | kFpu | kMmx | kSse | kSse2;
constexpr uint32_t kSse3 = 1u << 0, kLaterSets = kSse3 | 1u << 9 | 1u << 19 | 1u << 20;
constexpr DWORD kClass6Usable = 0x27070;  // TSC, CMOV, FPU_CMOV, MMX, SSE, SSE2, DAZ
constexpr uint32_t kFtzDaz = 0x8040;

int probeCalls = 0;
constexpr auto modeSwitches = +[] { return ++probeCalls, true; };
constexpr auto modeFaults = +[] { return ++probeCalls, false; };

// count, class, usable, hardware, os
auto fields(const DetectedCpu& c) {
  return std::tuple(c.processorCount, c.cpuClass, c.usable, c.hardware, c.os);
}

TEST(CpuDetectTest, ClassAndFlagsFollowIdentity) {
  const struct {
    const char* name;
    uint32_t type, leaf, edx, ecx, cpuClass, usable, hardware, os;
  } rows[] = {
      {"486", 486, 1, kAll, 0, 1, 0, 0, 0},
      {"unidentified", 386, 1, kAll, 0, 0, 0, 0, 0},
      {"586 without leaf 1", 586, 0, kAll, 0, 2, 0, 0, 0},
      {"tsc", 586, 1, kTsc, 0, 2, 0x4000, 0x4000, 0},
      {"cmov without fpu", 586, 1, kCmov | kMmx, 0, 2, 0x1010, 0x1010, 0x10},
      {"fpu and cmov", 586, 1, kFpu | kCmov, 0, 3, 0x3000, 0x3000, 0},
      {"mmx", 586, 1, kFpu | kCmov | kMmx, 0, 4, 0x3010, 0x3010, 0x10},
      {"sse", 586, 1, kAll & ~kSse2, 0, 5, 0x27030, 0x27030, 0x30},
      {"sse2", 586, 1, kAll, 0, 6, kClass6Usable, kClass6Usable, 0x70},
      {"x86-64 type", 8664, 1, kAll, 0, 6, kClass6Usable, kClass6Usable, 0x70},
      {"sse2 without mmx", 586, 1, kAll & ~kMmx, 0, 3, 0x27060, 0x27060, 0x60},
      {"later sets", 586, 1, kAll, kLaterSets, 6, 0x270F0, 0x277F0, 0x7F0},
  };
  for (const auto& r : rows) {
    probeCalls = 0;
    EXPECT_EQ(
        fields({3, r.cpuClass, r.usable, r.hardware, r.os}),
        fields(computeCpuSupport({r.type, r.leaf, r.edx, r.ecx}, 3, TZCPU_SIMD_MASK, modeSwitches)))
        << r.name;
    EXPECT_EQ(probeCalls, (r.hardware & TZCPU_SSE) ? 1 : 0) << r.name;
  }
  // SSE3 needs the system's support as well; a faulting mode switch withdraws only DAZ.
  EXPECT_EQ(fields({1, 6, kClass6Usable & ~TZCPU_DAZ, kClass6Usable | TZCPU_SSE3, 0x70}),
            fields(computeCpuSupport({586, 1, kAll, kSse3}, 1, TZCPU_SIMD_MASK & ~TZCPU_SSE3,
                                     modeFaults)));
}

class CpuSupportTest : public testing::Test {
 protected:
  void SetUp() override { savedCsr_ = _mm_getcsr(); }
  void TearDown() override {
    _mm_setcsr(savedCsr_);
    tz::audio::resetCpuSupportForTesting();
  }
  unsigned savedCsr_ = 0;
};

// Detection may run on any thread of the host; it must leave that thread's mode, and the mode
// that threads started later inherit from it, as they were.
TEST_F(CpuSupportTest, ThisMachineAndItsControlRegister) {
  const unsigned roundTowardZero = (savedCsr_ & ~kFtzDaz) | 0x6000;
  _mm_setcsr(roundTowardZero);
  EXPECT_FALSE(tz::audio::probeControlRegister(0x10000));  // reserved bit: protection fault
  EXPECT_EQ(_mm_getcsr(), roundTowardZero);
  const DetectedCpu stale{1, 1, 0, 0, 0};
  tz::audio::resetCpuSupportForTesting(&stale);
  tz::audio::resetCpuSupportForTesting();            // must forget the stale state and detect anew
  EXPECT_EQ(TzGetCPUSupport(TZCPU_CLASS_MASK), 6u);  // built for SSE2
  EXPECT_EQ(_mm_getcsr(), roundTowardZero);
  unsigned laterThreadCsr = 0;
  std::thread([&] { laterThreadCsr = _mm_getcsr(); }).join();
  EXPECT_EQ(laterThreadCsr & kFtzDaz, 0u);

  EXPECT_EQ(TzGetCPUSupport(0) & (TZCPU_SSSE3 | TZCPU_SSE41 | TZCPU_SSE42), 0u);
  EXPECT_EQ(TzGetOSSupport(0) & ~TZCPU_SIMD_MASK, 0u);
  EXPECT_EQ(TzGetOSSupport(TZCPU_SSE41), TzGetCPUHardwareSupport(TZCPU_SSE41));
  EXPECT_EQ(TzGetProcessorCount(), tz::platform::processorCount());
}

TEST_F(CpuSupportTest, AllowedMaskAndClassOverride) {
  const DWORD usable = kClass6Usable | TZCPU_SSE3;
  const DetectedCpu cpu{4, 6, usable, usable | TZCPU_SSE41, 0x2F0};
  tz::audio::resetCpuSupportForTesting(&cpu);
  EXPECT_EQ(TzGetProcessorCount(), 4u);
  EXPECT_EQ(TzGetCPUSupport(0), usable | 6);
  EXPECT_EQ(TzGetCPUSupport(0xFF0), usable & 0xFF0);
  EXPECT_EQ(TzGetOSSupport(TZCPU_SSE41), TZCPU_SSE41);

  EXPECT_TRUE(TzDisallowCPUSupport(TZCPU_SSE2 | TZCPU_SSE41));
  EXPECT_EQ(TzGetCPUSupport(0), (usable & ~TZCPU_SSE2) | 6);  // class bits still allowed
  EXPECT_EQ(TzGetCPUHardwareSupport(0), usable & ~TZCPU_SSE2);
  EXPECT_EQ(TzGetOSSupport(TZCPU_SSE41), TZCPU_SSE41);  // the allowed mask is not applied
  EXPECT_TRUE(TzSetCPUClassBySupport());
  EXPECT_EQ(TzGetCPUSupport(0xF), 5u);
  EXPECT_EQ(TzGetCPUSupport(0xFF0), (usable & ~TZCPU_SSE2 & 0xFF0) | 5);  // override always added

  EXPECT_TRUE(TzAllowCPUSupport(TZCPU_SSE2));
  EXPECT_EQ(TzGetCPUSupport(0xF), 5u);  // the override stays until set again
  EXPECT_FALSE(TzOnlyAllowCPUSupport(TZCPU_CMOV));
  EXPECT_EQ(TzGetCPUSupport(TZCPU_SSE2), TZCPU_SSE2 | 5);
  EXPECT_TRUE(TzOnlyAllowCPUSupport(TZCPU_MMX));
  EXPECT_EQ(TzGetCPUSupport(0) & ~TZCPU_CLASS_MASK, usable & ~(TZCPU_SIMD_MASK & ~TZCPU_MMX));
  EXPECT_TRUE(TzSetCPUClassBySupport());
  EXPECT_EQ(TzGetCPUSupport(0xF), 4u);
  EXPECT_TRUE(TzOnlyAllowCPUSupport(0));
  EXPECT_TRUE(TzSetCPUClassBySupport());
  EXPECT_EQ(TzGetCPUSupport(0xF), 0u);

  // Allowing what the processor lacks must not name a class it cannot run.
  const DetectedCpu sseOnly{1, 5, kClass6Usable & ~TZCPU_SSE2, 0, 0};
  tz::audio::resetCpuSupportForTesting(&sseOnly);
  EXPECT_TRUE(TzSetCPUClassBySupport());
  EXPECT_EQ(TzGetCPUSupport(0xF), 5u);
}

}  // namespace

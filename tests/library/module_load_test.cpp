// What loading the library does, seen from a process that loads it as a host would.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <thread>

#include "tz/export.h"
#include "tz/win_types.h"

namespace {

constexpr unsigned kFlushToZero = 0x8000;
constexpr unsigned kDenormalsAreZero = 0x40;

class LoadedLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mxcsrBeforeLoad = _mm_getcsr();
    handle = dlopen(TZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, handle) << dlerror();
  }
  static void TearDownTestSuite() { dlclose(handle); }

  template <typename Fn>
  static Fn symbol(const char* name) {
    void* p = dlsym(handle, name);
    EXPECT_NE(nullptr, p) << name;
    return reinterpret_cast<Fn>(p);
  }

  static inline void* handle = nullptr;
  static inline unsigned mxcsrBeforeLoad = 0;
};

using DwordQuery = DWORD(TZ_CALLBACK*)(DWORD);
using DwordGetter = DWORD(TZ_CALLBACK*)();

TEST_F(LoadedLibrary, ProcessorSupportIsDetectedAtLoad) {
  auto getSupport = symbol<DwordQuery>("TzGetCPUSupport");
  auto getCount = symbol<DwordGetter>("TzGetProcessorCount");
  // The identification instruction exists on every processor we run on, and this build
  // needs SSE2: class 6.
  EXPECT_EQ(6u, getSupport(0xF));
  EXPECT_EQ(std::thread::hardware_concurrency(), getCount());
}

TEST_F(LoadedLibrary, LoadLeavesNoFlushToZeroModeBehind) {
  EXPECT_EQ(mxcsrBeforeLoad, _mm_getcsr());
  unsigned inThread = 0;
  std::thread([&] { inThread = _mm_getcsr(); }).join();
  EXPECT_EQ(0u, inThread & (kFlushToZero | kDenormalsAreZero));
}

TEST_F(LoadedLibrary, TimersRunOnTheHighResolutionCounterFromLoad) {
  auto micro = symbol<DwordGetter>("TzGetMicrosec");
  // On the millisecond tick the microsecond reading moves in steps of 1000; on the
  // counter, with the start mark restarted at load, it moves in single microseconds.
  DWORD first = micro(), next = first;
  while (next == first) next = micro();
  EXPECT_LT(next - first, 1000u);
  EXPECT_LT(first, 600u * 1000 * 1000) << "the start mark was not taken at load";
}

}  // namespace

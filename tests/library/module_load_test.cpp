// What loading the library does, seen from a process that loads it as a host would.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <xmmintrin.h>

#include <string>
#include <thread>

#include "tz/export.h"
#include "tz/win_types.h"

namespace {

TEST(LoadedLibrary, DetectsTheProcessorAndStartsTheTimersLeavingNoFlushToZeroBehind) {
  constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  const unsigned mxcsrBeforeLoad = _mm_getcsr();
  void* handle = dlopen(TZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, handle) << dlerror();
  EXPECT_EQ(mxcsrBeforeLoad, _mm_getcsr());
  unsigned inThread = 0;
  std::thread([&] { inThread = _mm_getcsr(); }).join();
  EXPECT_EQ(0u, inThread & (kFlushToZero | kDenormalsAreZero));

  using Query = DWORD(TZ_CALLBACK*)(DWORD);
  using Getter = DWORD(TZ_CALLBACK*)();
  const auto getSupport = reinterpret_cast<Query>(dlsym(handle, "TzGetCPUSupport"));
  const auto getCount = reinterpret_cast<Getter>(dlsym(handle, "TzGetProcessorCount"));
  const auto micro = reinterpret_cast<Getter>(dlsym(handle, "TzGetMicrosec"));
  ASSERT_TRUE(getSupport && getCount && micro);
  // The identification instruction exists on every processor we run on, and this build
  // needs SSE2: class 6.
  EXPECT_EQ(6u, getSupport(0xF));
  EXPECT_EQ(std::thread::hardware_concurrency(), getCount());
  // On the millisecond tick the microsecond reading moves in steps of 1000; on the
  // counter, with the start mark restarted at load, it moves in single microseconds.
  DWORD first = micro(), next = first;
  while (next == first) next = micro();
  EXPECT_LT(next - first, 1000u);
  EXPECT_LT(first, 600u * 1000 * 1000) << "the start mark was not taken at load";
  dlclose(handle);
}

}  // namespace

namespace {

// The print's variadic export is caller-cleans: a host calls it with any arguments it likes.
// Right after load the library's separators are there as tokens.
TEST(LoadedLibrary, PublishesItsSeparatorsAsPrintTokensAndPrintsThroughItsVariadicExport) {
  void* handle = dlopen(TZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, handle) << dlerror();
  using PrintF = int(__attribute__((cdecl))*)(WCHAR*, const WCHAR*, ...);
  const auto printF = reinterpret_cast<PrintF>(dlsym(handle, "TzPrintF"));
  ASSERT_NE(nullptr, printF);
  WCHAR text[128];
  EXPECT_EQ(10, printF(text, u"$(SMPTE.Whole)$(SMPTE.NonDrop)$(SMPTE.Drop)$(m.b)$(b.t)$d", 1234));
  EXPECT_EQ(std::u16string(u":.,..1,234"), text);
  EXPECT_EQ(20, printF(text, u"%s|%I64d|%.1f|%c", u"ab", int64_t{-5000000000}, 2.25, u'z'));
  EXPECT_EQ(std::u16string(u"ab|-5000000000|2.2|z"), text);
  dlclose(handle);
}

}  // namespace

namespace {

// The host owns its signals: loading (and unloading) the library changes no fault handler.
TEST(LoadedLibrary, InstallsNoSignalHandler) {
  const int signals[] = {SIGSEGV, SIGILL, SIGFPE, SIGBUS, SIGTRAP, SIGABRT};
  struct sigaction before[std::size(signals)], after{};
  for (size_t i = 0; i < std::size(signals); ++i) sigaction(signals[i], nullptr, &before[i]);
  void* handle = dlopen(TZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, handle) << dlerror();
  for (size_t i = 0; i < std::size(signals); ++i) {
    sigaction(signals[i], nullptr, &after);
    EXPECT_EQ(before[i].sa_sigaction, after.sa_sigaction) << signals[i];
    EXPECT_EQ(before[i].sa_flags, after.sa_flags) << signals[i];
  }
  dlclose(handle);
}

// The format-copy self-test through the real export, as another module of the maker calls it,
// at this machine's processor class.
TEST(LoadedLibrary, PassesItsFormatCopySelfTest) {
  void* handle = dlopen(TZ_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, handle) << dlerror();
  using SelfTest = HRESULT(TZ_CALLBACK*)(HWND);
  const auto selfTest = reinterpret_cast<SelfTest>(dlsym(handle, "TzAudioCopy_UnitTest"));
  ASSERT_NE(nullptr, selfTest);
  EXPECT_EQ(S_OK, selfTest(nullptr));
  dlclose(handle);
}

}  // namespace

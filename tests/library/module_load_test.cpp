// What loading the library does, seen from a process that loads it as a host would.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <string>
#include <thread>

#include "support/platform/module.h"
#include "tz/export.h"
#include "tz/win_types.h"

namespace {

// The library loaded by path, as a host loads its plug-in.
struct LoadedLibrary : ::testing::Test {
  void SetUp() override {
    ASSERT_EQ(tz::platform::PlatformError::Success, library.loadFromPath(TZ_LIBRARY_PATH))
        << tz::platform::lastLoadMessage();
  }
  const unsigned mxcsrBeforeLoad = _mm_getcsr();
  tz::platform::Module library;
};

TEST_F(LoadedLibrary, DetectsTheProcessorAndStartsTheTimersLeavingNoFlushToZeroBehind) {
  constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  EXPECT_EQ(mxcsrBeforeLoad, _mm_getcsr());
  unsigned inThread = 0;
  std::thread([&] { inThread = _mm_getcsr(); }).join();
  EXPECT_EQ(0u, inThread & (kFlushToZero | kDenormalsAreZero));

  using Query = DWORD(TZ_CALLBACK*)(DWORD);
  using Getter = DWORD(TZ_CALLBACK*)();
  const auto getSupport = reinterpret_cast<Query>(library.symbol("TzGetCPUSupport"));
  const auto getCount = reinterpret_cast<Getter>(library.symbol("TzGetProcessorCount"));
  const auto micro = reinterpret_cast<Getter>(library.symbol("TzGetMicrosec"));
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
}

// The print's variadic export is caller-cleans: a host calls it with any arguments it likes.
// Right after load the library's separators are there as tokens.
TEST_F(LoadedLibrary, PublishesItsSeparatorsAsPrintTokensAndPrintsThroughItsVariadicExport) {
  using PrintF = int(__attribute__((cdecl))*)(WCHAR*, const WCHAR*, ...);
  const auto printF = reinterpret_cast<PrintF>(library.symbol("TzPrintF"));
  ASSERT_NE(nullptr, printF);
  WCHAR text[128];
  EXPECT_EQ(10, printF(text, u"$(SMPTE.Whole)$(SMPTE.NonDrop)$(SMPTE.Drop)$(m.b)$(b.t)$d", 1234));
  EXPECT_EQ(std::u16string(u":.,..1,234"), text);
  EXPECT_EQ(20, printF(text, u"%s|%I64d|%.1f|%c", u"ab", int64_t{-5000000000}, 2.25, u'z'));
  EXPECT_EQ(std::u16string(u"ab|-5000000000|2.2|z"), text);
}

// The format-copy self-test through the real export, as another module of the maker calls it,
// at this machine's processor class.
TEST_F(LoadedLibrary, PassesItsFormatCopySelfTest) {
  using SelfTest = HRESULT(TZ_CALLBACK*)(HWND);
  const auto selfTest = reinterpret_cast<SelfTest>(library.symbol("TzAudioCopy_UnitTest"));
  ASSERT_NE(nullptr, selfTest);
  EXPECT_EQ(S_OK, selfTest(nullptr));
}

}  // namespace

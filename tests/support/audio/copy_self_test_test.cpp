// The format-copy self-test: it passes at every processor class this machine can run, names
// exactly the nodes whose kernels are broken and goes on, stops on memory that runs out without
// leaking, shows its failure in a box when given a window, answers with its own failure
// whatever another thread left in the error details, and shows the wait cursor meanwhile.
#include "support/audio/copy_self_test.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/audio/copy_variants.h"
#include "support/audio/cpu_support_internal.h"
#include "support/audio/sample_ramp.h"
#include "support/platform/cursor.h"
#include "support/platform/message_box.h"
#include "tz/error_handler.h"

namespace {

namespace ta = tz::audio;
namespace tp = tz::platform;

// This machine's processor reporting a lower class, as the format-copy tests force one.
void forceClass(uint32_t cpuClass) {
  ta::DetectedCpu cpu = ta::detectCpuSupport();
  cpu.cpuClass = cpuClass;
  ta::resetCpuSupportForTesting(&cpu);
}

std::u16string details() {
  const WCHAR* text = TzErrorHandler_DetailsInfo(nullptr, nullptr, nullptr);
  return text != nullptr ? text : u"";
}

std::u16string failed(int node) {
  const std::string text = "TzAudioCopy_UnitTest node[" + std::to_string(node) + "] failed.\r\n";
  return {text.begin(), text.end()};
}

// Kernels that spoil one byte of every run they convert.
template <ta::CopyKernel Kernel>
void TZ_STDCALL spoiled(void* d, const void* s, long n, float gain) {
  Kernel(d, s, n, gain);
  static_cast<uint8_t*>(d)[n - 1] ^= 1;
}
template <TZSAMPLETYPE D, TZSAMPLETYPE S>
void TZ_STDCALL spoiledBaseline(void* d, const void* s, long n, float gain) {
  ta::baselineCopyKernel(D, S)(d, s, n, gain);
  static_cast<uint8_t*>(d)[n - 1] ^= 1;
}

// Runs the first node's baseline kernel after calling the hook once per test run.
void (*onFirstKernelCall)() = nullptr;
void TZ_STDCALL hooked(void* d, const void* s, long n, float gain) {
  if (onFirstKernelCall != nullptr) std::exchange(onFirstKernelCall, nullptr)();
  ta::baselineCopyKernel(TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM8)(d, s, n, gain);
}

struct Allocations {
  int calls = 0, live = 0, failAt = 0;  // failAt: the call that finds no memory, from 1
};
ta::BlockSource countedBlocks(Allocations& a) {
  return {[](size_t bytes, void* context) -> void* {
            auto& self = *static_cast<Allocations*>(context);
            if (++self.calls == self.failAt) return nullptr;
            ++self.live;
            return calloc(1, bytes);
          },
          [](void* block, void* context) {
            --static_cast<Allocations*>(context)->live;
            free(block);
          },
          &a};
}

struct Shown {
  HWND owner;
  std::u16string text, details;
  UINT style;
};

class CopySelfTest : public testing::Test {
 protected:
  void SetUp() override {
    tp::setMessageBoxCapture(
        [](const tp::MessageBox& box, void* context) {
          static_cast<std::vector<Shown>*>(context)->push_back(
              {box.owner, box.text, box.details ? box.details : u"", box.style});
          return 1;
        },
        &shown);
  }
  void TearDown() override {
    tp::setMessageBoxCapture(nullptr, nullptr);
    ta::resetCpuSupportForTesting();
  }

  HRESULT run(HWND window = nullptr) {
    return runCopySelfTest(window, nodes, ta::processHeapBlocks());
  }

  std::vector<ta::SelfTestNode> nodes{ta::copySelfTestNodes().begin(),
                                      ta::copySelfTestNodes().end()};
  std::vector<Shown> shown;
};

TEST_F(CopySelfTest, PassesAtEveryClassThisMachineRuns) {
  const uint32_t machine = ta::detectCpuSupport().cpuClass;
#ifdef __SANITIZE_ADDRESS__
  const uint32_t lowest = machine;  // once: instrumented, the full ranges take long
#else
  const uint32_t lowest = 0;
#endif
  for (uint32_t cpuClass = lowest; cpuClass <= machine; ++cpuClass) {
    forceClass(cpuClass);
    TzErrorHandler_DetailsAddString(E_FAIL, u"left over");
    EXPECT_EQ(S_OK, TzAudioCopy_UnitTest(reinterpret_cast<HWND>(0x10))) << "class " << cpuClass;
    EXPECT_EQ(u"", details()) << "class " << cpuClass;
  }
  EXPECT_TRUE(shown.empty());
}

TEST_F(CopySelfTest, EveryIntegerFloatVariantHasANode) {
  for (const ta::CopyVariant& v : ta::copyVariants()) {
    const bool toFloat =
        TzAudio_GetSampleType2(3, TzAudio_BitsFromSampleType(v.destination)) == v.destination;
    const bool fromFloat =
        TzAudio_GetSampleType2(3, TzAudio_BitsFromSampleType(v.source)) == v.source;
    if (toFloat == fromFloat) continue;
    bool runs = false;
    for (const ta::SelfTestNode& node : nodes)
      runs = runs || (toFloat ? node.toFloat : node.toInteger) == v.kernel;
    EXPECT_TRUE(runs) << v.name << " " << v.destination << " <- " << v.source;
  }
}

TEST_F(CopySelfTest, BrokenKernelsAreNamedByTheirNodesAndTheOthersStillRun) {
  for (ta::SelfTestNode& node : nodes)  // the slow 24-bit nodes pass in the test above
    if (ta::rampBits(node.integer) == 24) node.condition = ta::byClass(0xF);
  nodes[3].toFloat = spoiledBaseline<TZSAMPLETYPE_FLOAT32, TZSAMPLETYPE_PCM16BE>;
  nodes[20].toInteger = spoiled<ta::sse::float32ToPcm8>;
  nodes[24].toInteger = spoiled<ta::sse2::float64ToPcm8>;  // class 6 only
  forceClass(5);
  EXPECT_EQ(E_UNEXPECTED, run());
  EXPECT_EQ(failed(3) + failed(20), details());
  EXPECT_EQ(E_UNEXPECTED, TzErrorHandler_GetLastError());
  EXPECT_TRUE(shown.empty());

  // With a window the failure is shown, the details attached, and still returned.
  if (ta::detectCpuSupport().cpuClass < 6) GTEST_SKIP() << "no class 6 here";
  ta::resetCpuSupportForTesting();
  nodes[3].toFloat = nullptr;
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  const std::u16string message = TzErrorHandler_GetErrorMessage(0, E_UNEXPECTED, nullptr);
  EXPECT_EQ(E_UNEXPECTED, run(owner));
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(owner, shown[0].owner);
  EXPECT_EQ(message, shown[0].text);
  EXPECT_EQ(failed(20) + failed(24), shown[0].details);
  EXPECT_EQ(0x30u | 0xC000u, shown[0].style);
  EXPECT_EQ(u"", details());
}

TEST_F(CopySelfTest, MemoryThatRunsOutStopsTheTestAndLeaksNothing) {
  nodes.resize(4);  // 8- and 16-bit: quick
  for (int failAt : {1, 2, 3, 7}) {
    Allocations a{0, 0, failAt};
    tp::setCursor(tp::systemCursor(tp::kIBeamCursor));
    EXPECT_EQ(E_OUTOFMEMORY, runCopySelfTest(reinterpret_cast<HWND>(1), nodes, countedBlocks(a)));
    EXPECT_EQ(failAt, a.calls) << "no node after the one without memory";
    EXPECT_EQ(0, a.live) << failAt;
    EXPECT_EQ(tp::kIBeamCursor, tp::cursorId(tp::currentCursor()));
  }
  EXPECT_EQ(4u, shown.size());

  // A node that failed before keeps its failure as the result.
  nodes[0].toInteger = spoiledBaseline<TZSAMPLETYPE_PCM8, TZSAMPLETYPE_FLOAT32>;
  Allocations a{0, 0, 4};
  EXPECT_EQ(E_UNEXPECTED, runCopySelfTest(nullptr, nodes, countedBlocks(a)));
  EXPECT_EQ(0, a.live);
  EXPECT_EQ(failed(0), details());
}

TEST_F(CopySelfTest, AnotherThreadsDetailsNeverBecomeTheResult) {
  nodes.resize(3);
  nodes[0].toFloat = hooked;
  const auto foreignFailure = [] {
    std::thread([] { TzErrorHandler_DetailsAddString(E_FAIL, u"another thread"); }).join();
  };
  onFirstKernelCall = foreignFailure;
  EXPECT_EQ(S_OK, run());
  EXPECT_EQ(E_FAIL, TzErrorHandler_GetLastError());

  // The thread owns the details now, so the node's line is refused; the failure is not.
  nodes[2].toInteger = spoiledBaseline<TZSAMPLETYPE_PCM16, TZSAMPLETYPE_FLOAT32>;
  onFirstKernelCall = foreignFailure;
  EXPECT_EQ(E_UNEXPECTED, run());
  EXPECT_EQ(u"another thread\r\n", details());
}

TEST_F(CopySelfTest, ShowsTheWaitCursorWhileItRunsThenRestoresThePreviousOne) {
  nodes.resize(1);
  nodes[0].toFloat = hooked;
  static UINT during = 0;
  onFirstKernelCall = [] { during = tp::cursorId(tp::currentCursor()); };
  tp::setCursor(tp::systemCursor(tp::kIBeamCursor));
  EXPECT_EQ(S_OK, run());
  EXPECT_EQ(tp::kWaitCursor, during);
  EXPECT_EQ(tp::kIBeamCursor, tp::cursorId(tp::currentCursor()));
}

}  // namespace

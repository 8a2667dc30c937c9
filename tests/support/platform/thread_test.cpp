#include "support/platform/thread.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <atomic>
#include <thread>
#include <utility>

#include "support/platform/this_thread.h"
#include "support/platform/thread_stack.h"
#include "thread_priority_probe.h"

namespace {

using namespace tz::platform;
using enum PlatformError;
using P = ThreadPriority;
using tz::test::levelInEffect;

// A thread that runs until released, so that the scheduler's view of it can be read meanwhile.
struct Parked {
  std::atomic<bool> released{false};
  unsigned mxcsr = 0;  // as the thread found it
  Thread thread;
  uint32_t tid = 0;

  Parked() {
    EXPECT_EQ(Success, thread.start(&run, this));
    tid = thread.id();
  }
  ~Parked() { release(); }
  static uint32_t run(void* self) {
    static_cast<Parked*>(self)->mxcsr = _mm_getcsr();
    // A plain poll: the thread library's atomic wait loses wake-ups under Wine.
    while (!static_cast<Parked*>(self)->released.load()) std::this_thread::yield();
    return 7;
  }
  void release() { released = true; }
  // Releases the thread and joins it, wherever it has moved.
  void join(Thread& owner) {
    release();
    uint32_t exitCode = 0;
    EXPECT_EQ(Success, owner.join(&exitCode));
    EXPECT_EQ(7u, exitCode);
  }
};

TEST(Thread, EachLevelReachesTheScheduler) {
  if (!tz::test::mayRaisePriorities()) GTEST_SKIP() << "needs the privilege to raise priorities";
  Parked parked;
  for (P level : {P::Highest, P::AboveNormal, P::Normal, P::BelowNormal, P::Lowest, P::TimeCritical,
                  P::Idle, P::Normal}) {
    ASSERT_EQ(Success, parked.thread.setPriority(level));
    EXPECT_TRUE(levelInEffect(parked.tid, level)) << "level " << static_cast<int>(level);
  }
  parked.join(parked.thread);
}

TEST(Thread, StartsFromDefaultsNotFromItsCreator) {
  constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x40;
  unsigned seenMxcsr = 0;
  bool seenNormal = false;
  std::thread([&] {
    _mm_setcsr(_mm_getcsr() | kFlushToZero | kDenormalsAreZero);
    ASSERT_EQ(Success, setCurrentThreadPriority(P::Lowest));
    Parked parked;
    seenNormal = levelInEffect(parked.tid, P::Normal);
    parked.join(parked.thread);
    seenMxcsr = parked.mxcsr;
    EXPECT_EQ(kFlushToZero | kDenormalsAreZero, _mm_getcsr() & (kFlushToZero | kDenormalsAreZero));
  }).join();
  EXPECT_EQ(0x1F80u, seenMxcsr);
  // Back to normal from the creator's lower level is a raise.
  if (tz::test::mayRaisePriorities()) {
    EXPECT_TRUE(seenNormal) << "normal priority, not the creator's";
  }
}

// The region holds the caller's frame with room below it: a report reads up to its end.
TEST(Thread, StackRegionHoldsTheCallersFrame) {
  const int here = 0;
  const auto address = reinterpret_cast<uintptr_t>(&here);
  const tz::platform::StackRegion stack = tz::platform::currentThreadStack();
  ASSERT_TRUE(stack.known());
  EXPECT_LT(stack.low, address);
  EXPECT_LT(address, stack.high);
  EXPECT_GE(address - stack.low, 16u * 1024) << "the whole reservation, not the used part";
  EXPECT_NE(0u, currentThreadId());
  EXPECT_EQ(currentThreadId(), currentThreadIdUncached());
  EXPECT_GE(processorCount(), 1u);
}

TEST(Thread, MisuseGetsAStatusAndOwnershipMoves) {
  Thread none;
  EXPECT_EQ(InvalidHandle, none.join());
  EXPECT_EQ(InvalidHandle, none.setPriority(P::Normal));
  EXPECT_EQ(InvalidParameter, none.start(nullptr, nullptr));
  EXPECT_EQ(InvalidParameter, setCurrentThreadPriority(static_cast<P>(3)));

  Parked parked;
  EXPECT_EQ(InvalidParameter, parked.thread.start(&Parked::run, &parked));
  EXPECT_EQ(InvalidParameter, parked.thread.setPriority(static_cast<P>(-3)));
  Thread owner(std::move(parked.thread));
  EXPECT_FALSE(parked.thread.started());
  EXPECT_EQ(parked.tid, owner.id());
  parked.join(owner);

  std::atomic<int> steps{0};
  auto work = [](void* counter) -> uint32_t {
    for (int i = 0; i < 100000; ++i) static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    return 0;
  };
  { ASSERT_EQ(Success, Thread().start(work, &steps)); }
  EXPECT_EQ(100000, steps) << "destruction waits for the function";

  // Joining from the thread itself is refused and leaves the thread held.
  struct Self {
    Thread thread;
    std::atomic<bool> go{false};
    PlatformError joined = Success;
  } self;
  ASSERT_EQ(Success, self.thread.start(
                         [](void* context) -> uint32_t {
                           auto* s = static_cast<Self*>(context);
                           while (!s->go) std::this_thread::yield();  // see Parked
                           s->joined = s->thread.join();
                           return 0;
                         },
                         &self));
  self.go = true;
  EXPECT_EQ(Success, self.thread.join());
  EXPECT_EQ(InvalidParameter, self.joined);
}

}  // namespace

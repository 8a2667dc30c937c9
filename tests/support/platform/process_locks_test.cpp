#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/priority_lock.h"
#include "support/platform/recursive_lock.h"
#include "support/platform/this_thread.h"
#include "support/platform/thread.h"
#include "tests/common/eventually.h"
#include "thread_priority_probe.h"

namespace {

using tz::platform::PriorityLock;
using tz::platform::RecursiveLock;

// True when another thread gets the lock at once (it lets it go again).
template <typename Lock>
bool freeElsewhere(Lock& lock) {
  bool got = false;
  std::thread([&] {
    if ((got = lock.tryLock())) lock.unlock();
  }).join();
  return got;
}

// The two locks share their contract; the priority lock adds inheritance.
template <typename Lock>
class ProcessLock : public testing::Test {};
using Locks = testing::Types<RecursiveLock, PriorityLock>;
TYPED_TEST_SUITE(ProcessLock, Locks);

TYPED_TEST(ProcessLock, HolderMayReenterOthersWait) {
  TypeParam lock;
  lock.lock();
  EXPECT_TRUE(lock.tryLock());
  EXPECT_FALSE(freeElsewhere(lock));
  lock.unlock();
  EXPECT_FALSE(freeElsewhere(lock)) << "released after one of two entries";
  lock.unlock();
  EXPECT_TRUE(freeElsewhere(lock));
}

TYPED_TEST(ProcessLock, ContendedIncrementsAreNotLost) {
  TypeParam lock;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        lock.lock();
        lock.lock();
        ++counter;
        lock.unlock();
        lock.unlock();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(80000, counter);
}

TEST(RecursiveLock, UnlockedLockMovesByCopyingItsBytes) {
  alignas(4) unsigned char first[sizeof(RecursiveLock)] = {}, second[sizeof first];
  auto* a = reinterpret_cast<RecursiveLock*>(first);
  a->lock();
  a->unlock();
  memcpy(second, first, sizeof first);
  auto* b = reinterpret_cast<RecursiveLock*>(second);
  b->lock();
  EXPECT_FALSE(freeElsewhere(*b));
  b->unlock();
}

// A real-time thread waiting for the lock lends its priority to the ordinary holder, which
// gives it back when it lets go.
TEST(PriorityLock, ARealTimeWaiterBoostsTheHolder) {
  using tz::test::runsRealTime;
  PriorityLock lock;
  std::atomic<uint32_t> holder{0};
  std::atomic<bool> release{false}, released{false}, done{false};
  std::thread owner([&] {
    lock.lock();
    holder = tz::platform::currentThreadId();
    while (!release) std::this_thread::yield();
    lock.unlock();
    released = true;
    // Polled: the thread library's atomic wait loses wake-ups under Wine.
    while (!done) std::this_thread::yield();
  });
  while (holder == 0) std::this_thread::yield();
  const bool ordinary = !runsRealTime(holder);
  std::atomic<int> realTime{-1};
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    tz::platform::setCurrentThreadPriority(tz::platform::ThreadPriority::TimeCritical);
    realTime = runsRealTime(tz::platform::currentThreadId());
    if (!realTime) return;
    lock.lock();
    got = true;
    lock.unlock();
  });
  while (realTime < 0) std::this_thread::yield();
  bool boosted = false;
  if (realTime) boosted = tz::test::eventually([&] { return runsRealTime(holder); });
  release = true;
  while (!released) std::this_thread::yield();
  const bool givenBack = !runsRealTime(holder);
  done = true;
  owner.join();
  waiter.join();
  if (!realTime) GTEST_SKIP() << "no real-time priority for this process";
  EXPECT_TRUE(ordinary);
  EXPECT_TRUE(boosted) << "the holder kept its ordinary priority";
  EXPECT_TRUE(givenBack) << "the holder kept the lent priority";
  EXPECT_TRUE(got);
}

}  // namespace

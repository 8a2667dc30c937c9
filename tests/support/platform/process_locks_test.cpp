#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/platform/priority_lock.h"
#include "support/platform/recursive_lock.h"
#include "support/platform/this_thread.h"
#include "tests/common/eventually.h"
#include "tests/common/scratch_folder.h"

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

// The kernel's effective priority of a thread of this process (negative for real-time ones).
int effectivePriority(uint32_t thread) {
  const std::string stat =
      tz::test::readFile("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 18 && fields >> field; ++i) {
  }
  return std::stoi(field);
}

// A real-time thread waiting for the lock lends its priority to the ordinary holder.
TEST(PriorityLock, ARealTimeWaiterBoostsTheHolder) {
  PriorityLock lock;
  std::atomic<uint32_t> holder{0};
  std::atomic<bool> release{false};
  std::thread owner([&] {
    lock.lock();
    holder = tz::platform::currentThreadId();
    while (!release) std::this_thread::yield();
    lock.unlock();
  });
  while (holder == 0) std::this_thread::yield();
  const int ordinary = effectivePriority(holder);
  std::atomic<bool> got{false};
  std::thread waiter([&] {
    lock.lock();
    got = true;
    lock.unlock();
  });
  sched_param param{};
  param.sched_priority = 10;
  if (pthread_setschedparam(waiter.native_handle(), SCHED_FIFO, &param) != 0) {
    release = true;
    owner.join();
    waiter.join();
    GTEST_SKIP() << "no real-time priority for this process";
  }
  const bool boosted = tz::test::eventually([&] { return effectivePriority(holder) < 0; });
  release = true;
  owner.join();
  waiter.join();
  EXPECT_GE(ordinary, 0);
  EXPECT_TRUE(boosted) << "the holder kept its ordinary priority";
  EXPECT_TRUE(got);
}

}  // namespace

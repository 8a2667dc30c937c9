#include "support/platform/recursive_lock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

using tz::platform::RecursiveLock;

// True when another thread gets the lock at once (it lets it go again).
bool freeElsewhere(RecursiveLock& lock) {
  bool got = false;
  std::thread([&] {
    if ((got = lock.tryLock())) lock.unlock();
  }).join();
  return got;
}

TEST(RecursiveLock, HolderMayReenterOthersWait) {
  RecursiveLock lock;
  lock.lock();
  EXPECT_TRUE(lock.tryLock());
  EXPECT_FALSE(freeElsewhere(lock));
  lock.unlock();
  EXPECT_FALSE(freeElsewhere(lock)) << "released after one of two entries";
  lock.unlock();
  EXPECT_TRUE(freeElsewhere(lock));
}

TEST(RecursiveLock, ContendedIncrementsAreNotLost) {
  RecursiveLock lock;
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

}  // namespace

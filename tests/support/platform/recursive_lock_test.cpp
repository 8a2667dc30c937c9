#include "support/platform/recursive_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using tz::platform::RecursiveLock;

TEST(RecursiveLock, HolderMayReenterOthersWait) {
  RecursiveLock lock;
  lock.lock();
  EXPECT_TRUE(lock.tryLock());
  bool otherGot = true;
  std::thread([&] { otherGot = lock.tryLock(); }).join();
  EXPECT_FALSE(otherGot);
  lock.unlock();
  std::thread([&] { otherGot = lock.tryLock(); }).join();
  EXPECT_FALSE(otherGot) << "released after one of two entries";
  lock.unlock();
  std::thread([&] {
    otherGot = lock.tryLock();
    if (otherGot) lock.unlock();
  }).join();
  EXPECT_TRUE(otherGot);
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
  alignas(4) unsigned char first[sizeof(RecursiveLock)] = {};
  alignas(4) unsigned char second[sizeof(RecursiveLock)];
  auto* a = reinterpret_cast<RecursiveLock*>(first);
  a->lock();
  a->unlock();
  memcpy(second, first, sizeof first);
  auto* b = reinterpret_cast<RecursiveLock*>(second);
  b->lock();
  bool otherGot = true;
  std::thread([&] { otherGot = b->tryLock(); }).join();
  EXPECT_FALSE(otherGot);
  b->unlock();
}

}  // namespace

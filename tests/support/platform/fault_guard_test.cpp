#include "support/platform/fault_guard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

namespace {

TEST(FaultGuard, ReportsFaultsAndCompletedProbes) {
  int calls = 0;
  EXPECT_TRUE(tz::platform::runCatchingFaults([](void* c) { ++*static_cast<int*>(c); }, &calls));
  EXPECT_EQ(1, calls);

  // An illegal instruction, and a write through an address that is never mapped.
  EXPECT_FALSE(tz::platform::runCatchingFaults([](void*) { __builtin_trap(); }, nullptr));
  volatile uintptr_t unmapped = 16;
  EXPECT_FALSE(tz::platform::runCatchingFaults(
      [](void* at) { **static_cast<int* volatile*>(at) = 1; }, const_cast<uintptr_t*>(&unmapped)));

  // The guard is usable again afterwards, also from another thread.
  bool completed = false;
  std::thread([&] { completed = tz::platform::runCatchingFaults([](void*) {}, nullptr); }).join();
  EXPECT_TRUE(completed);
}

}  // namespace

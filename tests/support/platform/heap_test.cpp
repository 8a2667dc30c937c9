#include "support/platform/heap.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <cstddef>
#include <cstring>

#include "support/platform/page_block.h"
#include "support/platform/task_memory.h"

namespace {

using tz::platform::PrivateHeap;

bool allZero(const void* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (static_cast<const unsigned char*>(p)[i]) return false;
  return true;
}

TEST(PrivateHeap, BlocksAreZeroedReportTheirSizeAndGoWithTheHeap) {
  PrivateHeap* heap = PrivateHeap::create();
  ASSERT_NE(nullptr, heap);
  auto* a = static_cast<char*>(heap->allocate(10));
  auto* b = static_cast<char*>(heap->allocate(0));
  auto* c = static_cast<char*>(heap->allocate(100));
  ASSERT_TRUE(a && b && c);
  EXPECT_TRUE(allZero(a, 10) && allZero(c, 100));
  EXPECT_EQ(10u, heap->blockSize(a));
  EXPECT_EQ(0u, heap->blockSize(b));
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(c) % alignof(std::max_align_t)) << "fits any type";

  memset(a, 0x5A, 10);
  a = static_cast<char*>(heap->reallocate(a, 5000));
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(5000u, heap->blockSize(a));
  EXPECT_EQ(0x5A, a[9]);
  EXPECT_TRUE(allZero(a + 10, 4990)) << "growth is zero-filled";
  a = static_cast<char*>(heap->reallocate(a, 3));
  EXPECT_EQ(3u, heap->blockSize(a));

  heap->free(b);
  // The remaining blocks a and c go with the heap; the sanitizer build checks for leaks.
  PrivateHeap::destroy(heap);
}

TEST(ProcessHeap, ReportsAtLeastTheRequestedSize) {
  void* p = tz::platform::heapAllocate(37, true);
  ASSERT_NE(nullptr, p);
  EXPECT_TRUE(allZero(p, 37));
  EXPECT_GE(tz::platform::heapBlockSize(p), 37u);
  p = tz::platform::heapReallocate(p, 1000);
  EXPECT_GE(tz::platform::heapBlockSize(p), 1000u);
  tz::platform::heapFree(p);
  EXPECT_EQ(0u, tz::platform::heapBlockSize(nullptr));
}

// A size from outside that nobody can supply only fails.
TEST(PageBlock, ZeroedWholeOrEmpty) {
  auto block = tz::platform::PageBlock::allocate(10000);
  ASSERT_NE(nullptr, block.data());
  EXPECT_EQ(10000u, block.size());
  EXPECT_TRUE(allZero(block.data(), 10000));
  EXPECT_EQ(nullptr, tz::platform::PageBlock::allocate(0).data());
  EXPECT_EQ(nullptr, tz::platform::PageBlock::allocate(SIZE_MAX - 4095).data());
}

TEST(TaskMemory, ZeroedAndFailingOnRequest) {
  void* block = tz::platform::taskAllocate(100);
  ASSERT_NE(nullptr, block);
  EXPECT_TRUE(allZero(block, 100));
  tz::platform::taskFree(block);
  tz::platform::setTaskAllocationFailing(true);
  EXPECT_EQ(nullptr, tz::platform::taskAllocate(1));
  tz::platform::setTaskAllocationFailing(false);
}

}  // namespace

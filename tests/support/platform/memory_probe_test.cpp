#include "support/platform/memory_probe.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

TEST(MemoryProbe, TellsMappedFromUnmappedMemory) {
  char local[300] = {};
  EXPECT_TRUE(tz::platform::isReadable(local, sizeof local));
  EXPECT_TRUE(tz::platform::isReadable(nullptr, 0));
  EXPECT_FALSE(tz::platform::isReadable(nullptr, 4));
  EXPECT_FALSE(tz::platform::isReadable(reinterpret_cast<void*>(0xFFFFFFF0u), 84));

  const long page = sysconf(_SC_PAGESIZE);
  auto* pages = static_cast<char*>(
      mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(MAP_FAILED, pages);
  ASSERT_EQ(0, mprotect(pages + page, page, PROT_NONE));
  EXPECT_TRUE(tz::platform::isReadable(pages + page - 84, 84));
  // A range that runs from a readable page into a protected one.
  EXPECT_FALSE(tz::platform::isReadable(pages + page - 40, 84));
  EXPECT_FALSE(tz::platform::isReadable(pages + page, 1));
  // A read copies all or reports failure.
  pages[page - 1] = 'z';
  char copy[8] = {};
  EXPECT_TRUE(tz::platform::readMemory(copy, pages + page - 1, 1));
  EXPECT_EQ('z', copy[0]);
  EXPECT_FALSE(tz::platform::readMemory(copy, pages + page - 1, 2));
  EXPECT_FALSE(tz::platform::readMemory(copy, nullptr, 1));
  munmap(pages, 2 * page);
  EXPECT_FALSE(tz::platform::isReadable(pages, 1));
}

}  // namespace

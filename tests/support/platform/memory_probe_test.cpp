#include "support/platform/memory_probe.h"

#include <gtest/gtest.h>

#include "memory_pages.h"

namespace {

using tz::test::pageBytes;

TEST(MemoryProbe, TellsMappedFromUnmappedMemory) {
  char local[300] = {};
  EXPECT_TRUE(tz::platform::isReadable(local, sizeof local));
  EXPECT_TRUE(tz::platform::isReadable(nullptr, 0));
  EXPECT_FALSE(tz::platform::isReadable(nullptr, 4));
  EXPECT_FALSE(tz::platform::isReadable(reinterpret_cast<void*>(0xFFFFFFF0u), 84));

  const size_t page = pageBytes();
  char* pages = tz::test::mapPages(3);
  ASSERT_NE(nullptr, pages);
  ASSERT_TRUE(tz::test::makeInaccessible(pages + page));
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
  // A guard page is not readable, and asking leaves it armed: reading it still faults.
  ASSERT_TRUE(tz::test::makeGuardPage(pages + 2 * page));
  EXPECT_FALSE(tz::platform::readMemory(copy, pages + 2 * page, 1));
  EXPECT_FALSE(tz::platform::isReadable(pages + 2 * page, 1));
  tz::test::unmapPages(pages, 3);
  EXPECT_FALSE(tz::platform::isReadable(pages, 1));
}

}  // namespace

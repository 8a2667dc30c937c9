// Section tokens: the owner's section mapped from its start, shared with other views, and ranges
// past its end refused.
#include <gtest/gtest.h>

#include "process_memory.h"
#include "tests/support/core/memory_token_peer.h"
#include "tz/memory_token.h"

namespace {

using namespace tz::test;

using MemoryTokenSectionTest = PeerFixture;

TEST_F(MemoryTokenSectionTest, SectionIsMappedFromItsStartWithThePointerAtTheOffset) {
  const size_t handles = openHandleCount();
  CMappingOfTzMemoryToken mapping(sectionToken(pid(), record->section, 5000, 3000), 0);
  ASSERT_NE(nullptr, mapping.Pointer());
  EXPECT_EQ(3000, mapping.DataSize());
  EXPECT_EQ(patternBytes(5000, 3000), bytesAt(mapping.Pointer(), 3000));
  const MappingFields fields = fieldsOf(mapping);
  EXPECT_TRUE(fields.mapped && !fields.copied && !fields.writeBack && fields.section >= 0);
  static_cast<uint8_t*>(mapping.Pointer())[0] = 0x42;  // shared: another view sees it at once
  const CMappingOfTzMemoryToken last(sectionToken(pid(), record->section, 0, PeerSectionBytes), 0);
  ASSERT_NE(nullptr, last.Pointer());
  EXPECT_EQ(0x42, static_cast<const uint8_t*>(last.Pointer())[5000]);
  mapping.Dispose();
  EXPECT_EQ(-1, fieldsOf(mapping).section);
  expectInvalid(
      CMappingOfTzMemoryToken(sectionToken(pid(), record->section, 1, PeerSectionBytes), 0),
      "one byte past the section");
  expectInvalid(
      CMappingOfTzMemoryToken(sectionToken(pid(), record->section, PeerSectionBytes, 1), 0),
      "an offset at the section's end");
  EXPECT_EQ(handles + 2, openHandleCount())
      << "only the mapping left holds a handle and a view; refused ones leave nothing open";
}

}  // namespace

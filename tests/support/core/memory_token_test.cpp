// Tokens of this process's own memory, and tokens that no process could have made.
#include "tz/memory_token.h"

#include <gtest/gtest.h>

#include "support/platform/this_thread.h"
#include "tests/support/core/memory_token_fields.h"

namespace {

using namespace tz::test;

const uint32_t self = tz::platform::currentProcessId();

TEST(MemoryTokenTest, OwnTokenIsBasePlusOffsetAndOwnsNothing) {
  uint8_t buffer[32];
  const CMappingOfTzMemoryToken mapping(privateToken(self, addressOf(buffer), 5, 10), 0);
  void* address = nullptr;
  EXPECT_EQ(S_OK, mapping.GetPointer(&address));
  EXPECT_EQ(buffer + 5, address);
  EXPECT_EQ(10, mapping.DataSize());
  const MappingFields fields = fieldsOf(mapping);
  EXPECT_EQ(0, fields.mapped | fields.copied | fields.invalid | fields.writeBack);
  EXPECT_EQ(-1, fields.section);
  EXPECT_EQ(E_POINTER, mapping.GetPointer(nullptr));
}

TEST(MemoryTokenTest, ImplausibleTokensAreInvalidWhoeverOwnsThem) {
  const uint32_t base = 0x10000;
  const struct {
    const char* what;
    _tzmemorytoken token;
  } cases[] = {
      {"size 0", privateToken(self, base, 0, 0)},
      {"address 0", privateToken(self, 0, 0, 16)},
      {"section at address 0", sectionToken(self, 3, 0, 16)},
      {"size 2^31", privateToken(self, base, 0, 0x80000000u)},
      {"size 2^32-1", privateToken(self, base, 0, 0xFFFFFFFFu)},
      {"process 0", privateToken(0, base, 0, 16)},
      {"process 2^31", privateToken(0x80000000u, base, 0, 16)},
      {"range past 4 GiB", privateToken(self, 0xFFFFFFF0u, 8, 9)},
      {"offset past 4 GiB", privateToken(self, base, 0xFFFFFFFFu, 16)},
      {"section range past 4 GiB", sectionToken(self, 3, 0xFFFFFFFFu, 2)},
  };
  for (const auto& c : cases) expectInvalid(CMappingOfTzMemoryToken(c.token, 6), c.what);
}

}  // namespace

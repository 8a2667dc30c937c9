// Tokens of a peer's private memory: the copy, what goes back, hand-over between mappings, and
// an owner that ends.
#include <gtest/gtest.h>

#include "process_memory.h"
#include "tests/support/core/memory_token_peer.h"
#include "tz/memory_token.h"

namespace {

using namespace tz::test;

using MemoryTokenPeerTest = PeerFixture;

TEST_F(MemoryTokenPeerTest, PrivateMemoryIsCopiedAndOnlyTheCallersChangesGoBack) {
  CMappingOfTzMemoryToken whole(peerToken(16, 4000), 0);
  ASSERT_NE(nullptr, whole.Pointer());
  EXPECT_EQ(patternBytes(16, 4000), bytesAt(whole.Pointer(), 4000));
  const MappingFields fields = fieldsOf(whole);
  EXPECT_TRUE(fields.copied && fields.writeBack) << "written back whatever the flags say";
  {  // the owner changes byte 1000 while the copy is out
    const CMappingOfTzMemoryToken one(peerToken(16 + 1000, 1), 0);
    *static_cast<uint8_t*>(one.Pointer()) = 0xEE;
  }
  auto* copy = static_cast<uint8_t*>(whole.Pointer());
  copy[10] = copy[11] = 0xA1;
  copy[3999] = 0xA3;
  whole.Dispose();

  std::vector<uint8_t> expected = patternBytes(0, PeerPrivateBytes);
  expected[16 + 10] = expected[16 + 11] = 0xA1;
  expected[16 + 3999] = 0xA3;
  expected[16 + 1000] = 0xEE;
  EXPECT_EQ(expected, peerBytes(0, PeerPrivateBytes)) << "the owner's change did not survive";
  whole.Dispose();
  EXPECT_EQ(nullptr, whole.Pointer());
}

TEST_F(MemoryTokenPeerTest, CopyAndAssignmentHandTheCopyOver) {
  CMappingOfTzMemoryToken source(peerToken(0, 64), 0);
  void* const copy = source.Pointer();
  CMappingOfTzMemoryToken copied(source);
  expectInvalid(source, "the source of a copy");
  CMappingOfTzMemoryToken target(peerToken(100, 4), 0);
  static_cast<uint8_t*>(target.Pointer())[0] = 0x77;
  target = copied;
  expectInvalid(copied, "the source of an assignment");
  EXPECT_EQ(copy, target.Pointer());
  EXPECT_EQ(std::vector<uint8_t>{0x77}, peerBytes(100, 1)) << "the target's copy was dropped";
  static_cast<uint8_t*>(copy)[0] = 0x5A;
  source.Dispose();
  copied.Dispose();
  EXPECT_EQ(patternBytes(0, 1), peerBytes(0, 1)) << "a former owner wrote the copy back";
  target.Dispose();
  EXPECT_EQ(std::vector<uint8_t>{0x5A}, peerBytes(0, 1));
}

TEST_F(MemoryTokenPeerTest, EndedOwnerMakesTokensInvalidAndItsCopyGoesNowhere) {
  CMappingOfTzMemoryToken copy(peerToken(0, 16), 0);
  static_cast<uint8_t*>(copy.Pointer())[0] ^= 0xFF;
  const _tzmemorytoken tokens[] = {peerToken(0, 16), sectionToken(pid(), record->section, 0, 16)};
  peer->killWithoutWaiting();
  ASSERT_TRUE(waitUntilEnded(static_cast<int>(pid()), 10000));
  const size_t open = openHandleCount();
  for (const auto& token : tokens) expectInvalid(CMappingOfTzMemoryToken(token, 6), "unreaped");
  EXPECT_EQ(open, openHandleCount()) << "an ended owner's token left a handle open";
  peer->wait();
  for (const auto& token : tokens) expectInvalid(CMappingOfTzMemoryToken(token, 6), "reaped");
  copy.Dispose();
}

}  // namespace

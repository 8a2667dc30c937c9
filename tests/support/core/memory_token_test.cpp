#include "tz/memory_token.h"

#include <gtest/gtest.h>

#include "tests/support/core/memory_token_peer.h"

namespace {

using namespace tz::test;

struct MemoryTokenTest : ::testing::Test {
  IsolatedSession session;
  uint32_t self = static_cast<uint32_t>(getpid());
};

struct MemoryTokenPeerTest : PeerFixture {
  std::vector<uint8_t> peerBytes(uint32_t offset, size_t bytes) {
    return memoryOf(peer->pid(), peer->record().privateAddress + uint64_t{offset}, bytes);
  }
  _tzmemorytoken peerToken(uint32_t offset, uint32_t size) {
    return privateToken(peer->pid(), peer->record().privateAddress, offset, size);
  }
};

TEST_F(MemoryTokenTest, OwnTokenIsBasePlusOffsetAndOwnsNothing) {
  uint8_t buffer[32] = {};
  const auto base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer));
  CMappingOfTzMemoryToken mapping(privateToken(self, base, 5, 10), 0);
  void* address = nullptr;
  EXPECT_EQ(S_OK, mapping.GetPointer(&address));
  EXPECT_EQ(buffer + 5, address);
  EXPECT_EQ(buffer + 5, mapping.Pointer());
  EXPECT_EQ(10, mapping.DataSize());
  const MappingFields fields = fieldsOf(mapping);
  EXPECT_EQ(0, fields.mapped | fields.copied | fields.invalid | fields.writeBack);
  EXPECT_EQ(-1, fields.section);
  EXPECT_EQ(0u, fields.held);
  EXPECT_EQ(E_POINTER, mapping.GetPointer(nullptr));
  // A section token of this process is the same: its own memory needs no mapping.
  CMappingOfTzMemoryToken section(sectionToken(self, 12345, 7, 1), 0);
  EXPECT_EQ(reinterpret_cast<void*>(7), section.Pointer());
  mapping.Dispose();
  EXPECT_EQ(S_OK, mapping.GetPointer(&address));
  EXPECT_EQ(nullptr, address);
  mapping.Dispose();
}

TEST_F(MemoryTokenTest, ImplausibleTokensAreInvalidWhoeverOwnsThem) {
  uint8_t buffer[16];
  const auto base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(buffer));
  const struct {
    const char* what;
    _tzmemorytoken token;
  } cases[] = {
      {"size 0", privateToken(self, base, 0, 0)},
      {"size 2^31", privateToken(self, base, 0, 0x80000000u)},
      {"size 2^32-1", privateToken(self, base, 0, 0xFFFFFFFFu)},
      {"process 0", privateToken(0, base, 0, 16)},
      {"process 2^31", privateToken(0x80000000u, base, 0, 16)},
      {"process 2^32-1", privateToken(0xFFFFFFFFu, base, 0, 16)},
      {"range past 4 GiB", privateToken(self, 0xFFFFFFF0u, 8, 9)},
      {"offset past 4 GiB", privateToken(self, base, 0xFFFFFFFFu, 16)},
      {"section range past 4 GiB", sectionToken(self, 3, 0xFFFFFFFFu, 2)},
  };
  for (const auto& c : cases) {
    const CMappingOfTzMemoryToken mapping(c.token, 6);
    expectInvalid(mapping, c.what);
  }
}

TEST_F(MemoryTokenPeerTest, PrivateMemoryIsCopiedAndOnlyTheCallersChangesGoBack) {
  CMappingOfTzMemoryToken whole(peerToken(16, 4000), 0);
  ASSERT_NE(nullptr, whole.Pointer());
  EXPECT_EQ(4000, whole.DataSize());
  EXPECT_EQ(patternBytes(16, 4000), bytesAt(whole.Pointer(), 4000));
  const MappingFields fields = fieldsOf(whole);
  EXPECT_EQ(1, fields.copied);
  EXPECT_EQ(1, fields.writeBack) << "written back although the flags did not ask for it";
  EXPECT_EQ(0, fields.mapped | fields.invalid);

  // The owner changes byte 1000 while the copy is out (through a copy of its own here).
  {
    CMappingOfTzMemoryToken one(peerToken(16 + 1000, 1), 0);
    ASSERT_NE(nullptr, one.Pointer());
    *static_cast<uint8_t*>(one.Pointer()) = 0xEE;
  }
  EXPECT_EQ(std::vector<uint8_t>{0xEE}, peerBytes(16 + 1000, 1));

  auto* copy = static_cast<uint8_t*>(whole.Pointer());
  copy[10] = 0xA1;
  copy[11] = 0xA2;
  copy[3999] = 0xA3;
  whole.Dispose();
  EXPECT_EQ(nullptr, whole.Pointer());

  std::vector<uint8_t> expected = patternBytes(0, PeerPrivateBytes);
  expected[16 + 10] = 0xA1;
  expected[16 + 11] = 0xA2;
  expected[16 + 3999] = 0xA3;
  expected[16 + 1000] = 0xEE;  // the owner's change survived the write back
  EXPECT_EQ(expected, peerBytes(0, PeerPrivateBytes));
  whole.Dispose();
  EXPECT_EQ(expected, peerBytes(0, PeerPrivateBytes)) << "a second Dispose wrote again";
}

TEST_F(MemoryTokenPeerTest, AssignmentAndCopyHandTheCopyOver) {
  CMappingOfTzMemoryToken source(peerToken(0, 64), 0);
  uint8_t own[8] = {};
  CMappingOfTzMemoryToken target(
      privateToken(static_cast<uint32_t>(getpid()),
                   static_cast<uint32_t>(reinterpret_cast<uintptr_t>(own)), 0, 8),
      0);
  void* const copy = source.Pointer();
  ASSERT_NE(nullptr, copy);
  target = source;
  EXPECT_EQ(copy, target.Pointer());
  EXPECT_EQ(64, target.DataSize());
  expectInvalid(source, "the source after assignment");
  const CMappingOfTzMemoryToken& itself = target;
  target = itself;
  EXPECT_EQ(copy, target.Pointer()) << "assignment to itself";

  CMappingOfTzMemoryToken copied(target);
  EXPECT_EQ(copy, copied.Pointer());
  expectInvalid(target, "the source after a copy");
  static_cast<uint8_t*>(copy)[0] = 0x5A;

  // Assignment disposes of the target's own copy first: its change goes back then.
  CMappingOfTzMemoryToken other(peerToken(100, 4), 0);
  ASSERT_NE(nullptr, other.Pointer());
  static_cast<uint8_t*>(other.Pointer())[0] = 0x77;
  other = copied;
  EXPECT_EQ(std::vector<uint8_t>{0x77}, peerBytes(100, 1)) << "the target's copy was dropped";
  EXPECT_EQ(patternBytes(0, 1), peerBytes(0, 1)) << "the handed-over copy went back early";
  source.Dispose();
  target.Dispose();
  copied.Dispose();
  static_cast<uint8_t*>(copy)[1] = 0x5B;
  other.Dispose();
  EXPECT_EQ((std::vector<uint8_t>{0x5A, 0x5B}), peerBytes(0, 2));
}

TEST_F(MemoryTokenPeerTest, EndedOwnerMakesTokensInvalidAndItsCopyGoesNowhere) {
  CMappingOfTzMemoryToken copy(peerToken(0, 16), 0);
  ASSERT_NE(nullptr, copy.Pointer());
  static_cast<uint8_t*>(copy.Pointer())[0] ^= 0xFF;
  const _tzmemorytoken token = peerToken(0, 16);
  const _tzmemorytoken section = sectionToken(peer->pid(), peer->record().section, 0, 16);

  kill(static_cast<pid_t>(peer->pid()), SIGKILL);
  ASSERT_TRUE(waitUntilEnded(static_cast<pid_t>(peer->pid()), 10000));
  expectInvalid(CMappingOfTzMemoryToken(token, 6), "an ended, unreaped owner");
  expectInvalid(CMappingOfTzMemoryToken(section, 6), "an ended, unreaped owner's section");
  peer->process().wait();
  expectInvalid(CMappingOfTzMemoryToken(token, 6), "an ended, reaped owner");
  expectInvalid(CMappingOfTzMemoryToken(section, 6), "an ended, reaped owner's section");
  copy.Dispose();  // nothing to write to, nothing reported
  EXPECT_EQ(nullptr, copy.Pointer());
}

}  // namespace

// Tokens made up by a hostile process: every handle of the peer offered as a section, and any
// words against a live peer, an ended process and ids nobody has.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <random>

#include "process_memory.h"
#include "tests/support/core/memory_token_peer.h"
#include "tz/memory_token.h"

namespace {

using namespace tz::test;

struct MemoryTokenHandlesTest : PeerFixture {
  // Whether the peer's bytes at `address` are the copy's, read a piece at a time: a copy may be
  // hundreds of megabytes where the owner has that much mapped readable (under Wine it has).
  bool ownerHolds(uint64_t address, const void* copy, size_t bytes) const {
    constexpr size_t kPiece = 1 << 20;
    for (size_t at = 0; at < bytes; at += kPiece) {
      const size_t n = std::min(kPiece, bytes - at);
      if (memoryOf(pid(), address + at, n) != bytesAt(static_cast<const char*>(copy) + at, n))
        return false;
    }
    return true;
  }
  // The section file that the peer opened again without its lock is no section handle.
  bool isSectionHandle(int32_t handle, const std::string& kind) const {
    return kind == "section" && handle != record->unlockedSection;
  }
};

TEST_F(MemoryTokenHandlesTest, OnlyTheOwnersSectionHandlesMapAsSections) {
  const size_t open = openHandleCount();
  std::map<std::string, int> refused;
  for (const auto& [handle, kind] : handlesOf(pid())) {
    const CMappingOfTzMemoryToken mapping(sectionToken(pid(), handle, 0, 1), 0);
    EXPECT_EQ(isSectionHandle(handle, kind), mapping.Pointer() != nullptr)
        << "handle " << handle << " is a " << kind;
    if (!mapping.Pointer()) ++refused[kind];
  }
  for (const std::string& kind : refusedHandleKinds())
    EXPECT_GT(refused[kind], 0) << "no " << kind << " handle was tried";
  for (const int32_t handle : {-1, 999, INT_MAX, INT_MIN})
    expectInvalid(CMappingOfTzMemoryToken(sectionToken(pid(), handle, 0, 1), 0),
                  "handle " + std::to_string(handle));
  EXPECT_EQ(open, openHandleCount()) << "a refused handle was left open";
}

TEST_F(MemoryTokenHandlesTest, RandomTokensGiveInvalidOrTrueCopiesAndWriteNothing) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  auto any = [&](uint32_t below) { return static_cast<uint32_t>(random() % below); };
  ChildProcess ended({SpawnedProcess::ownExecutable(), "--gtest_filter=-*"});
  ended.wait();
  const uint32_t pids[] = {pid(), pid(), static_cast<uint32_t>(ended.pid()), 0, 0x80000000u};
  const auto handles = handlesOf(pid());
  const size_t open = openHandleCount();
  int copies = 0, sections = 0;
  for (int round = 0; round < 1000; ++round) {
    const uint32_t handle[] = {static_cast<uint32_t>(record->section), any(64), random()};
    const uint32_t base[] = {record->privateAddress + any(24576) - 8192, random(), 0};
    const uint32_t offset[] = {0, any(16384), random()};
    const uint32_t size[] = {1 + any(9000), random(), 0x7FFFFFFFu, 0};
    _tzmemorytoken token{handle[any(3)], random(),     base[any(3)],
                         random(),       size[any(4)], random(),
                         offset[any(3)], random(),     any(3) == 0 ? random() | 1 : 0,
                         pids[any(5)]};
    const CMappingOfTzMemoryToken mapping(token, random());
    const std::string what = "round " + std::to_string(round);
    if (mapping.Pointer() == nullptr) {
      expectInvalid(mapping, what);
      continue;
    }
    ASSERT_EQ(pid(), token.dwProcessId) << what;
    ASSERT_EQ(static_cast<long>(token.cbData), mapping.DataSize()) << what;
    const auto h = static_cast<int32_t>(token.hSection);
    if (token.bSection) {
      ASSERT_TRUE(handles.contains(h) && isSectionHandle(h, handles.at(h))) << what;
      if (h == record->section) {
        EXPECT_EQ(patternBytes(token.cbOffset, token.cbData),
                  bytesAt(mapping.Pointer(), token.cbData))
            << what;
      }
    } else {
      ASSERT_TRUE(
          ownerHolds(uint64_t{token.pBase} + token.cbOffset, mapping.Pointer(), token.cbData))
          << what;
    }
    ++(token.bSection ? sections : copies);
  }
  EXPECT_TRUE(copies > 0 && sections > 0) << "the rounds reached no memory";
  EXPECT_EQ(patternBytes(0, PeerPrivateBytes), peerBytes(0, PeerPrivateBytes))
      << "copies left unchanged were written back";
  EXPECT_EQ(open, openHandleCount());
}

}  // namespace

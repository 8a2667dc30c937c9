// Section tokens, and tokens made up by a hostile process: every word of the record chosen to
// hurt, against a live peer, an ended process and ids nobody has.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "tests/common/object_folder.h"
#include "tests/support/core/memory_token_peer.h"
#include "tz/memory_token.h"

namespace {

using namespace tz::test;

struct MemoryTokenSectionTest : PeerFixture {
  // What each handle of the peer opens, by its number.
  std::map<int32_t, std::string> peerHandles() {
    std::map<int32_t, std::string> handles;
    const std::string folder = "/proc/" + std::to_string(peer->pid()) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::error_code failed;
      handles[std::stoi(entry.path().filename().string())] =
          std::filesystem::read_symlink(entry.path(), failed).string();
    }
    return handles;
  }
  // One of the peer's handles of a section, held as section handles are.
  bool isPeerSection(int32_t handle, const std::string& target) {
    return target.starts_with(objectFolder() + "/section~") &&
           handle != peer->record().unlockedSection;
  }
};

TEST_F(MemoryTokenSectionTest, SectionIsMappedFromItsStartWithThePointerAtTheOffset) {
  const uint32_t pid = peer->pid();
  const int32_t handle = peer->record().section;
  const size_t descriptors = openDescriptorCount();
  {
    CMappingOfTzMemoryToken mapping(sectionToken(pid, handle, 5000, 3000), 0);
    ASSERT_NE(nullptr, mapping.Pointer());
    EXPECT_EQ(3000, mapping.DataSize());
    EXPECT_EQ(patternBytes(5000, 3000), bytesAt(mapping.Pointer(), 3000));
    const MappingFields fields = fieldsOf(mapping);
    EXPECT_EQ(1, fields.mapped);
    EXPECT_EQ(0, fields.copied | fields.invalid | fields.writeBack);
    EXPECT_GE(fields.section, 0);
    // Shared, not copied: another mapping sees a write at once.
    static_cast<uint8_t*>(mapping.Pointer())[0] = 0x42;
    const CMappingOfTzMemoryToken again(sectionToken(pid, handle, 0, 5001), 0);
    ASSERT_NE(nullptr, again.Pointer());
    EXPECT_EQ(0x42, static_cast<const uint8_t*>(again.Pointer())[5000]);
    static_cast<uint8_t*>(mapping.Pointer())[0] = peerPattern(5000);
    mapping.Dispose();
    EXPECT_EQ(-1, fieldsOf(mapping).section);
  }
  EXPECT_EQ(descriptors, openDescriptorCount()) << "a handle outlived its mapping";

  const CMappingOfTzMemoryToken last(sectionToken(pid, handle, PeerSectionBytes - 1, 1), 0);
  ASSERT_NE(nullptr, last.Pointer());
  EXPECT_EQ(peerPattern(PeerSectionBytes - 1), *static_cast<const uint8_t*>(last.Pointer()));
  expectInvalid(CMappingOfTzMemoryToken(sectionToken(pid, handle, 1, PeerSectionBytes), 0),
                "one byte past the section");
  expectInvalid(CMappingOfTzMemoryToken(sectionToken(pid, handle, PeerSectionBytes, 1), 0),
                "an offset at the section's end");
  EXPECT_EQ(descriptors + 2, openDescriptorCount())
      << "the one mapping left holds its handle and view; a refused one left a handle open";
}

TEST_F(MemoryTokenSectionTest, OnlyTheOwnersSectionHandlesMapAsSections) {
  const PeerRecord& record = peer->record();
  const size_t descriptors = openDescriptorCount();
  std::set<int32_t> notSections = {record.socket, record.pipe, record.outsideFile,
                                   record.unlockedSection};
  int events = 0;
  for (const auto& [handle, target] : peerHandles()) {
    const CMappingOfTzMemoryToken mapping(sectionToken(peer->pid(), handle, 0, 1), 0);
    EXPECT_EQ(isPeerSection(handle, target), mapping.Pointer() != nullptr)
        << "handle " << handle << " opens " << target;
    notSections.erase(handle);
    if (target.starts_with(objectFolder() + "/event~")) ++events;
  }
  EXPECT_TRUE(notSections.empty()) << "the peer lacks a handle it published";
  EXPECT_GT(events, 0) << "no event handle, held with the lock, was tried";
  for (const int32_t handle : {-1, 999, INT_MAX, INT_MIN})
    expectInvalid(CMappingOfTzMemoryToken(sectionToken(peer->pid(), handle, 0, 1), 0),
                  "handle " + std::to_string(handle));
  EXPECT_EQ(descriptors, openDescriptorCount()) << "a refused handle was left open";
}

TEST_F(MemoryTokenSectionTest, RandomTokensGiveInvalidOrTrueCopiesAndWriteNothing) {
  const uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  auto any = [&](uint32_t below) { return static_cast<uint32_t>(random() % below); };
  uint32_t pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  ChildProcess ended({"/bin/true"});
  ended.wait();
  const uint32_t pids[] = {
      peer->pid(), peer->pid(),        static_cast<uint32_t>(ended.pid()),
      0,           pidMax + any(1000), 0x80000000u | static_cast<uint32_t>(random())};
  const uint32_t buffer = peer->record().privateAddress;
  const auto handles = peerHandles();
  std::vector<int32_t> handleNumbers;
  for (const auto& entry : handles) handleNumbers.push_back(entry.first);
  const size_t descriptors = openDescriptorCount();

  int copies = 0, sections = 0;
  for (int round = 0; round < 1000; ++round) {
    _tzmemorytoken token{};
    token.dwProcessId = pids[any(6)];
    token.bSection = any(3) == 0 ? static_cast<DWORD>(random()) | 1 : 0;
    const uint32_t handleChoices[] = {
        static_cast<uint32_t>(peer->record().section),
        static_cast<uint32_t>(handleNumbers[any(handleNumbers.size())]), any(64),
        static_cast<uint32_t>(random())};
    token.hSection = handleChoices[any(4)];
    const uint32_t bases[] = {buffer + any(24576) - 8192, buffer + any(8192),
                              static_cast<uint32_t>(random()), 0, 0xFFFFF000u};
    token.pBase = bases[any(5)];
    const uint32_t offsets[] = {0, any(16384), static_cast<uint32_t>(random())};
    token.cbOffset = offsets[any(3)];
    const uint32_t sizes[] = {1 + any(9000), 1 + any(100), static_cast<uint32_t>(random()),
                              0x7FFFFFFFu, 0};
    token.cbData = sizes[any(5)];
    for (DWORD* unread : {&token.reserved1, &token.reserved3, &token.reserved5, &token.reserved7})
      *unread = static_cast<DWORD>(random());

    const CMappingOfTzMemoryToken mapping(token, random());
    const std::string what = "round " + std::to_string(round);
    if (mapping.Pointer() == nullptr) {
      expectInvalid(mapping, what);
      continue;
    }
    ASSERT_EQ(peer->pid(), token.dwProcessId) << what;
    ASSERT_EQ(static_cast<long>(token.cbData), mapping.DataSize()) << what;
    if (token.bSection) {
      const auto handle = static_cast<int32_t>(token.hSection);
      ASSERT_TRUE(handles.contains(handle) && isPeerSection(handle, handles.at(handle))) << what;
      if (handle == peer->record().section) {
        ASSERT_EQ(patternBytes(token.cbOffset, token.cbData),
                  bytesAt(mapping.Pointer(), token.cbData))
            << what;
      }
      ++sections;
    } else {
      const std::vector<uint8_t> there =
          memoryOf(peer->pid(), uint64_t{token.pBase} + token.cbOffset, token.cbData);
      ASSERT_EQ(there, bytesAt(mapping.Pointer(), token.cbData)) << what;
      ++copies;
    }
  }
  EXPECT_GT(copies, 0) << "no token was copied: the rounds prove little";
  EXPECT_GT(sections, 0) << "no token was mapped: the rounds prove little";
  EXPECT_EQ(patternBytes(0, PeerPrivateBytes), memoryOf(peer->pid(), buffer, PeerPrivateBytes))
      << "copies left unchanged were written back";
  EXPECT_EQ(descriptors, openDescriptorCount());
}

}  // namespace

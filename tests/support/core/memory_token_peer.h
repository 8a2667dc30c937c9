// The other process of the memory-token tests: this test program re-run as a peer that holds a
// private buffer, a section and descriptors that are not sections, and publishes where they are
// in a record the test created. Also tokens, the mapping's fields as a caller sees them, and
// another process's memory read the independent way, through /proc/<pid>/mem.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/platform/named_event.h"
#include "support/platform/shared_section.h"
#include "tests/common/eventually.h"
#include "tests/common/isolated_session.h"
#include "tests/common/peer_process.h"
#include "tz/memory_token.h"

namespace tz::test {

constexpr size_t PeerPrivateBytes = 8192;
constexpr size_t PeerSectionBytes = 3 * 4096 + 100;  // not a whole number of pages

// The byte at offset i of the peer's buffer and of its section.
inline uint8_t peerPattern(size_t i) {
  return static_cast<uint8_t>(i * 7 + 3);
}

struct PeerRecord {
  uint32_t ready;           // set last, once the rest is filled in
  uint32_t privateAddress;  // PeerPrivateBytes of peerPattern
  int32_t section;          // a section of PeerSectionBytes of peerPattern
  int32_t socket, pipe;     // one end of each
  int32_t outsideFile;      // a regular file of the user outside the named-object folder
  int32_t unlockedSection;  // the section's own file, opened without the lock
  int32_t setUpFailed;      // non-zero when the peer could not make one of them
};

constexpr char PeerRecordName[] = "memtoken-peer";
constexpr char PeerQuitName[] = "memtoken-quit";
constexpr char PeerSectionName[] = "memtoken-data";
constexpr char PeerOutsideVariable[] = "TZ_MEMTOKEN_OUTSIDE";

inline _tzmemorytoken privateToken(uint32_t pid, uint32_t base, uint32_t offset, uint32_t size) {
  _tzmemorytoken token{};
  token.pBase = base;
  token.cbOffset = offset;
  token.cbData = size;
  token.dwProcessId = pid;
  return token;
}

inline _tzmemorytoken sectionToken(uint32_t pid, int32_t handle, uint32_t offset, uint32_t size) {
  _tzmemorytoken token = privateToken(pid, 0, offset, size);
  token.hSection = static_cast<DWORD>(handle);
  token.bSection = 1;
  return token;
}

// The mapping's record, read as a caller that placed the object sees its bytes.
struct MappingFields {
  _tzmemorytoken token;
  uint32_t address;
  int32_t section;
  uint8_t mapped, copied, invalid, writeBack;
  uint32_t held;
};
static_assert(sizeof(MappingFields) == sizeof(CMappingOfTzMemoryToken));

inline MappingFields fieldsOf(const CMappingOfTzMemoryToken& mapping) {
  MappingFields fields;
  memcpy(&fields, static_cast<const void*>(&mapping), sizeof fields);
  return fields;
}

// What the system says is at `address` of process `pid`; empty when not all of it can be read.
// /proc/<pid>/mem, not the system call the mapping uses, so that a fault there shows.
inline std::vector<uint8_t> memoryOf(int pid, uint64_t address, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  const int fd = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  const ssize_t n = pread64(fd, data.data(), bytes, static_cast<off64_t>(address));
  close(fd);
  if (n != static_cast<ssize_t>(bytes)) return {};
  return data;
}

inline std::vector<uint8_t> bytesAt(const void* address, size_t bytes) {
  const auto* begin = static_cast<const uint8_t*>(address);
  return {begin, begin + bytes};
}

inline std::vector<uint8_t> patternBytes(size_t offset, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = peerPattern(offset + i);
  return data;
}

inline size_t openDescriptorCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

// Starts the peer and waits until its record is filled in; the peer quits with the object.
class MemoryTokenPeer {
 public:
  explicit MemoryTokenPeer(const std::filesystem::path& folder)
      : record_(platform::SharedSection::create(PeerRecordName, sizeof(PeerRecord)).section),
        view_(record_.map(0, 0).view),
        quit_(platform::NamedEvent::create(PeerQuitName).event),
        peer_("MemoryTokenPeer.HoldsMemoryUntilToldToQuit",
              {std::string(PeerOutsideVariable) + "=" +
               writeFile(folder / "outside.bin", std::string(64, 'x'))}) {
    ready_ =
        view_.data() != nullptr && eventually([&] {
          return std::atomic_ref<uint32_t>(static_cast<PeerRecord*>(view_.data())->ready).load() !=
                 0;
        });
  }
  MemoryTokenPeer(const MemoryTokenPeer&) = delete;
  ~MemoryTokenPeer() {
    quit_.set();
    peer_.wait();
  }

  bool ready() const { return ready_ && record().setUpFailed == 0; }
  uint32_t pid() const { return static_cast<uint32_t>(peer_.pid()); }
  const PeerRecord& record() const { return *static_cast<const PeerRecord*>(view_.data()); }
  ChildProcess& process() { return peer_; }

 private:
  platform::SharedSection record_;
  platform::SectionView view_;
  platform::NamedEvent quit_;
  PeerProcess peer_;
  bool ready_ = false;
};

// Whether this system lets the test read its child's memory: a kernel without the call, or a
// sandbox that filters it, cannot run the cross-process tests at all.
inline bool canReadMemoryOf(uint32_t pid, uint32_t address) {
  uint8_t byte;
  const iovec mine{&byte, 1}, theirs{reinterpret_cast<void*>(uintptr_t{address}), 1};
  return process_vm_readv(static_cast<pid_t>(pid), &mine, 1, &theirs, 1, 0) == 1;
}

constexpr long Failed = static_cast<long>(0x80004005UL);

inline void expectInvalid(const CMappingOfTzMemoryToken& mapping, const std::string& what) {
  void* address = &address;
  EXPECT_EQ(Failed, mapping.GetPointer(&address)) << what;
  EXPECT_EQ(nullptr, address) << what;
  EXPECT_EQ(nullptr, mapping.Pointer()) << what;
  EXPECT_EQ(-1, mapping.DataSize()) << what;
  const MappingFields fields = fieldsOf(mapping);
  EXPECT_EQ(1, fields.invalid) << what;
  EXPECT_EQ(-1, fields.section) << what;
  EXPECT_EQ(0u, fields.held) << what;
}

// A test with the peer running, skipped where the system forbids reading a child's memory.
struct PeerFixture : ::testing::Test {
  void SetUp() override {
    peer.emplace(session.folder());
    ASSERT_TRUE(peer->ready()) << "the peer did not set itself up";
    if (!canReadMemoryOf(peer->pid(), peer->record().privateAddress))
      GTEST_SKIP() << "this system does not let a process read its child's memory "
                      "(process_vm_readv filtered or missing)";
  }
  IsolatedSession session;
  std::optional<MemoryTokenPeer> peer;
};

}  // namespace tz::test

// Memory tokens as another process hands them over: any ten words, against this process, a
// child holding known memory and a section, an ended process and ids nobody has. A token is
// invalid or gives the memory it names: the child's bytes, the section's bytes at the offset,
// this process's base + offset; a changed copy reaches the child and nothing else does.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/platform/shared_section.h"
#include "tz/memory_token.h"

namespace {

using tz::platform::SharedSection;

constexpr size_t kKnownBytes = 8192;
constexpr size_t kSectionBytes = 10000;

// The same address here and in the child, which a fork copies unchanged.
alignas(4096) uint8_t known[kKnownBytes];

uint8_t pattern(size_t i) {
  return static_cast<uint8_t>(i * 13 + 5);
}

struct Peers {
  uint32_t self, child, ended;
  int32_t section;  // the section's handle, the same number in the child
};

// A child that waits for this process to end (its pipe's other end closes), and the id of one
// that has ended and was reaped.
const Peers& peers() {
  static const Peers made = [] {
    setenv("TZ_OBJECT_NAMESPACE", ("fuzz-memtoken-" + std::to_string(getpid())).c_str(), 1);
    for (size_t i = 0; i < kKnownBytes; ++i) known[i] = pattern(i);
    static SharedSection section = SharedSection::create("data", kSectionBytes).section;
    if (auto view = section.map(0, 0).view; view.data() != nullptr)
      for (size_t i = 0; i < kSectionBytes; ++i) static_cast<uint8_t*>(view.data())[i] = pattern(i);
    int gone[2];
    if (!section.isOpen() || pipe(gone) != 0) std::abort();
    const pid_t child = fork();
    if (child == 0) {
      close(gone[1]);
      char byte;
      for (ssize_t n; (n = read(gone[0], &byte, 1)) != 0;)
        if (n < 0 && errno != EINTR) break;
      _exit(0);
    }
    close(gone[0]);
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    return Peers{static_cast<uint32_t>(getpid()), static_cast<uint32_t>(child),
                 static_cast<uint32_t>(ended), section.handle()};
  }();
  return made;
}

uint32_t knownAddress() {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(known));
}

// Where [address, address + size) lies inside `known`, its start there; else -1.
int64_t insideKnown(uint64_t address, uint64_t size) {
  if (address < knownAddress() || address + size > knownAddress() + uint64_t{kKnownBytes})
    return -1;
  return static_cast<int64_t>(address - knownAddress());
}

void check(bool holds) {
  if (!holds) std::abort();
}

// A changed copy of the child's known bytes reaches the child; then the byte is put back.
void changeAndRestore(CMappingOfTzMemoryToken& mapping, const _tzmemorytoken& token) {
  auto* copy = static_cast<uint8_t*>(mapping.Pointer());
  const uint8_t was = copy[0];
  copy[0] = static_cast<uint8_t>(~was);
  mapping.Dispose();
  const CMappingOfTzMemoryToken after(token, 0);
  auto* there = static_cast<uint8_t*>(after.Pointer());
  check(there != nullptr && there[0] == static_cast<uint8_t>(~was));
  there[0] = was;  // written back as `after` goes
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  _tzmemorytoken token;
  if (size < sizeof token + 1) return 0;
  const Peers& p = peers();
  memcpy(&token, data, sizeof token);
  const uint8_t choice = data[sizeof token];
  // Ids are this process, the child, the ended one, or beyond any id the system hands out.
  const uint32_t ids[] = {p.self, p.child, p.ended, token.dwProcessId | 0x80000000u, p.child};
  token.dwProcessId = ids[choice % 5];
  if (choice & 0x08) token.hSection = static_cast<DWORD>(p.section);
  if (choice & 0x10) token.pBase = knownAddress() + token.pBase % (2 * kKnownBytes);

  CMappingOfTzMemoryToken mapping(token, choice >> 6);
  void* address = nullptr;
  const long status = mapping.GetPointer(&address);
  if (address == nullptr) {
    check(status != 0 && mapping.DataSize() == -1 && mapping.Pointer() == nullptr);
    return 0;
  }
  check(status == 0 && mapping.DataSize() == static_cast<long>(token.cbData));
  if (token.dwProcessId == p.self) {  // this process's own memory, sections included
    check(reinterpret_cast<uintptr_t>(address) == uint64_t{token.pBase} + token.cbOffset);
    return 0;
  }
  const uint64_t start = token.bSection ? token.cbOffset : uint64_t{token.pBase} + token.cbOffset;
  check(token.dwProcessId == p.child);
  if (token.bSection) {
    check(static_cast<int32_t>(token.hSection) == p.section &&
          start + token.cbData <= kSectionBytes);
    for (size_t i = 0; i < token.cbData; ++i)
      check(static_cast<uint8_t*>(address)[i] == pattern(start + i));
    return 0;
  }
  const int64_t at = insideKnown(start, token.cbData);
  if (at < 0) return 0;  // the rest of the child is this process as it was at the fork
  for (size_t i = 0; i < token.cbData; ++i)
    check(static_cast<uint8_t*>(address)[i] == pattern(static_cast<size_t>(at) + i));
  if (choice & 0x20) changeAndRestore(mapping, token);
  return 0;
}

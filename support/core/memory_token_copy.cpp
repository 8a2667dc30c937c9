// A memory token's private copy: read from the owner, and only the caller's changes written
// back, so that the owner's own changes to other bytes meanwhile survive.
#include "support/core/memory_token_holding.h"

#include <cstring>
#include <new>
#include <utility>

namespace tz::core {
namespace {

using platform::OtherProcess;
using platform::PageBlock;
using platform::PlatformError;

uint64_t dataAddress(const _tzmemorytoken& token) {
  return uint64_t{token.pBase} + token.cbOffset;
}

}  // namespace

std::unique_ptr<MemoryTokenHolding> copyFromOwner(const _tzmemorytoken& token) {
  auto opened = OtherProcess::open(token.dwProcessId);
  if (opened.error != PlatformError::Success) return nullptr;
  std::unique_ptr<MemoryTokenHolding> held(new (std::nothrow) MemoryTokenHolding);
  if (!held) return nullptr;
  // The size is the token's: pages, so that a size the owner does not have costs an untouched
  // reservation and a failed read, and the second block only once the read has succeeded.
  const size_t size = token.cbData;
  held->copy = PageBlock::allocate(size);
  if (held->copy.data() == nullptr ||
      opened.process.read(dataAddress(token), held->copy.data(), size) != PlatformError::Success)
    return nullptr;
  held->asRead = PageBlock::allocate(size);
  if (held->asRead.data() == nullptr) return nullptr;
  memcpy(held->asRead.data(), held->copy.data(), size);
  held->owner = std::move(opened.process);
  return held;
}

void writeChangesBack(const MemoryTokenHolding& held, const _tzmemorytoken& token) {
  const auto* now = static_cast<const uint8_t*>(held.copy.data());
  const auto* before = static_cast<const uint8_t*>(held.asRead.data());
  const size_t size = token.cbData;
  for (size_t at = 0; at < size;) {
    if (now[at] == before[at]) {
      ++at;
      continue;
    }
    size_t end = at + 1;
    while (end < size && now[end] != before[end]) ++end;
    // A run the owner no longer has writable stops here; the others still go.
    (void)held.owner.write(dataAddress(token) + at, now + at, end - at);
    at = end;
  }
}

}  // namespace tz::core

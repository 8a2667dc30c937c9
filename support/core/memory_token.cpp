// The exported memory-token class: its record, the checks every token passes first, and the
// hand-over between objects. The copy and the section are memory_token_copy.cpp's and
// memory_token_section.cpp's.
#include "tz/memory_token.h"

#include <memory>
#include <utility>

#include "support/core/memory_token_holding.h"
#include "support/platform/this_thread.h"

namespace {

using tz::core::MemoryTokenHolding;

struct LayoutCheck : CMappingOfTzMemoryToken {
  static void check() {
    static_assert(offsetof(LayoutCheck, token_) == 0 && offsetof(LayoutCheck, address_) == 40);
    static_assert(offsetof(LayoutCheck, section_) == 44 && offsetof(LayoutCheck, mapped_) == 48);
    static_assert(offsetof(LayoutCheck, copied_) == 49 && offsetof(LayoutCheck, invalid_) == 50);
    static_assert(offsetof(LayoutCheck, writeBack_) == 51 && offsetof(LayoutCheck, held_) == 52);
  }
};
static_assert(sizeof(void*) == 4, "the record holds 32-bit addresses");

// DataSize would return a size from 2^31 up as a negative long, like a failure, and process ids
// are positive signed numbers. A size of 0 names no memory.
constexpr uint32_t kFirstNegative = 0x80000000u;

// Checks that hold whoever owns the memory. The range must fit a 32-bit address space: from
// base + offset where that is the address (private memory, and anything of this process), which
// must not be null, since a null address reads as an invalid object; from the start of another
// process's section, whose own size is checked when it is open.
bool plausible(const _tzmemorytoken& token, bool own) {
  if (token.cbData == 0 || token.cbData >= kFirstNegative) return false;
  if (token.dwProcessId == 0 || token.dwProcessId >= kFirstNegative) return false;
  constexpr uint64_t kAddressSpace = uint64_t{1} << 32;
  if (token.bSection != 0 && !own) return uint64_t{token.cbOffset} + token.cbData <= kAddressSpace;
  const uint64_t address = uint64_t{token.pBase} + token.cbOffset;
  return address != 0 && address + token.cbData <= kAddressSpace;
}

}  // namespace

CMappingOfTzMemoryToken::CMappingOfTzMemoryToken(const _tzmemorytoken& token, unsigned long)
    : token_(token) {
  const bool own = token_.dwProcessId == tz::platform::currentProcessId();
  if (!plausible(token_, own)) return;
  if (own) {
    address_ = reinterpret_cast<void*>(uintptr_t{token_.pBase} + token_.cbOffset);
    invalid_ = 0;
    return;
  }
  // The flags ask for a fill and a write back; a copy always gets both.
  if (token_.bSection != 0) {
    std::unique_ptr<MemoryTokenHolding> held = tz::core::mapOwnersSection(token_);
    if (!held) return;
    address_ = static_cast<char*>(held->view.data()) + token_.cbOffset;
    section_ = held->section.handle();
    mapped_ = 1;
    held_ = held.release();
  } else {
    std::unique_ptr<MemoryTokenHolding> held = tz::core::copyFromOwner(token_);
    if (!held) return;
    address_ = held->copy.data();
    copied_ = 1;
    writeBack_ = 1;
    held_ = held.release();
  }
  invalid_ = 0;
}

CMappingOfTzMemoryToken::CMappingOfTzMemoryToken(const CMappingOfTzMemoryToken& other)
    : token_(other.token_) {
  *this = other;
}

CMappingOfTzMemoryToken& CMappingOfTzMemoryToken::operator=(const CMappingOfTzMemoryToken& other) {
  if (this == &other) return *this;
  Dispose();
  // The source gives up what it holds: two owners of one view or copy would release it twice.
  auto& source = const_cast<CMappingOfTzMemoryToken&>(other);
  token_ = source.token_;
  address_ = std::exchange(source.address_, nullptr);
  section_ = std::exchange(source.section_, -1);
  mapped_ = std::exchange(source.mapped_, 0);
  copied_ = std::exchange(source.copied_, 0);
  invalid_ = std::exchange(source.invalid_, 1);
  writeBack_ = std::exchange(source.writeBack_, 0);
  held_ = std::exchange(source.held_, nullptr);
  return *this;
}

CMappingOfTzMemoryToken::~CMappingOfTzMemoryToken() {
  Dispose();
}

void CMappingOfTzMemoryToken::Close() {
  Dispose();
}

void CMappingOfTzMemoryToken::Dispose() {
  std::unique_ptr<MemoryTokenHolding> held(held_);
  held_ = nullptr;
  if (held && copied_ && writeBack_ && address_ != nullptr)
    tz::core::writeChangesBack(*held, token_);
  address_ = nullptr;
  section_ = -1;
}

long CMappingOfTzMemoryToken::GetPointer(void** address) const {
  if (address == nullptr) return E_POINTER;
  *address = Pointer();
  return invalid_ ? E_FAIL : S_OK;
}

void* CMappingOfTzMemoryToken::Pointer() const {
  return invalid_ ? nullptr : address_;
}

long CMappingOfTzMemoryToken::DataSize() const {
  return invalid_ ? -1 : static_cast<long>(token_.cbData);
}

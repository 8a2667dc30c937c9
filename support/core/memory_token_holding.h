// What a memory-token mapping owns besides its record: the private copy with the owner's
// process held for the write back, or the section and its view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "support/platform/other_process.h"
#include "support/platform/page_block.h"
#include "support/platform/shared_section.h"
#include "tz/memory_token.h"

namespace tz::core {

struct MemoryTokenHolding {
  // A copy: the bytes handed out, what was read (to find the caller's changes) and the owner,
  // held from the read to the write back so that a process that later takes its id is never
  // written.
  platform::OtherProcess owner;
  platform::PageBlock copy, asRead;
  // A section: the handle this process holds and the view of [0, offset + size).
  platform::SharedSection section;
  platform::SectionView view;
};

// The token's memory copied from its owner, or null when the owner, the range or the memory for
// the copy is not available. The token's size and range are checked by the caller.
std::unique_ptr<MemoryTokenHolding> copyFromOwner(const _tzmemorytoken& token);

// Writes the bytes of the copy that differ from what was read back to the owner, each run of
// changed bytes in one write; bytes left as read are not written. Failures are dropped.
void writeChangesBack(const MemoryTokenHolding& held, const _tzmemorytoken& token);

// The token's section mapped from its start through offset + size, or null when the owner, its
// handle or the section does not allow it (a range past the section's end included).
std::unique_ptr<MemoryTokenHolding> mapOwnersSection(const _tzmemorytoken& token);

}  // namespace tz::core

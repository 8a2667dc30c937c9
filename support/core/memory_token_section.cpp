// A memory token's section: the owner's handle taken over and the section mapped here.
#include "support/core/memory_token_holding.h"

#include <new>

namespace tz::core {

using platform::OtherProcess;
using platform::PlatformError;
using platform::SharedSection;

std::unique_ptr<MemoryTokenHolding> mapOwnersSection(const _tzmemorytoken& token) {
  const auto opened = OtherProcess::open(token.dwProcessId);
  if (opened.error != PlatformError::Success) return nullptr;
  auto taken = SharedSection::duplicate(opened.process, static_cast<int32_t>(token.hSection));
  if (taken.error != PlatformError::Success) return nullptr;
  // From the start, so that the data lies at its offset in the view as in the section; a range
  // past the section's end would fault whoever touched it.
  const uint64_t length = uint64_t{token.cbOffset} + token.cbData;
  if (length > taken.section.size()) return nullptr;
  auto mapped = taken.section.map(0, static_cast<size_t>(length));
  if (mapped.error != PlatformError::Success) return nullptr;
  std::unique_ptr<MemoryTokenHolding> held(new (std::nothrow) MemoryTokenHolding);
  if (!held) return nullptr;
  held->section = std::move(taken.section);
  held->view = std::move(mapped.view);
  return held;
}

}  // namespace tz::core

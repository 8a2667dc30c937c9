// Committed private pages: the system supplies them zeroed on first touch.
#include "support/platform/page_block.h"

#include <windows.h>

#include <utility>

namespace tz::platform {

PageBlock PageBlock::allocate(size_t bytes) {
  PageBlock block;
  if (bytes == 0) return block;
  void* data = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (data == nullptr) return block;
  block.data_ = data;
  block.size_ = bytes;
  return block;
}

void PageBlock::release() {
  if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace tz::platform

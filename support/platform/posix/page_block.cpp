// Anonymous private mappings: the kernel supplies zeroed pages on first touch.
#include "support/platform/page_block.h"

#include <sys/mman.h>

#include <utility>

namespace tz::platform {

PageBlock PageBlock::allocate(size_t bytes) {
  PageBlock block;
  if (bytes == 0) return block;
  void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (data == MAP_FAILED) return block;
  block.data_ = data;
  block.size_ = bytes;
  return block;
}

void PageBlock::release() {
  if (data_ != nullptr) munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace tz::platform

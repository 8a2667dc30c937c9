// A block of whole pages taken straight from the system: zero-filled without touching it, and
// a size nobody can supply only fails to allocate, rather than ending the process (as the C
// library's allocator under a sanitizer would) or costing time to clear. For blocks whose size
// comes from outside. Not for the audio path.
#pragma once

#include <cstddef>

namespace tz::platform {

class PageBlock {
 public:
  PageBlock() = default;
  PageBlock(PageBlock&& other) noexcept;
  PageBlock& operator=(PageBlock&& other) noexcept;
  ~PageBlock() { release(); }

  // Read/write and zero-filled, `bytes` long (rounded up to pages inside); an empty block when
  // `bytes` is 0 or the system has no room for it.
  static PageBlock allocate(size_t bytes);

  void* data() const { return data_; }  // null when empty
  size_t size() const { return size_; }
  void release();

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace tz::platform

// Memory: the process's general-purpose allocator, and private heaps whose blocks can all
// be released at once. Not for the audio path.
#pragma once

#include <cstddef>

namespace tz::platform {

// The general-purpose allocator (thread-safe). Allocation returns null when out of memory.
void* heapAllocate(size_t bytes, bool zeroFill);
// Resizes a block; growth is not zero-filled. Null on failure, and the block stays valid.
void* heapReallocate(void* block, size_t bytes);
void heapFree(void* block);
// The usable size of a block of this allocator, as the allocator reports it.
size_t heapBlockSize(const void* block);

// A private heap for one owner at a time (unserialised). Blocks are zero-filled, growth
// included, and report exactly the size that was asked for.
class PrivateHeap {
 public:
  static PrivateHeap* create();            // null when out of memory
  static void destroy(PrivateHeap* heap);  // releases every block still allocated

  void* allocate(size_t bytes);
  void* reallocate(void* block, size_t bytes);  // null on failure, block stays valid
  void free(void* block);
  size_t blockSize(const void* block) const;

 private:
  PrivateHeap() = default;
  struct Block;
  void* system() const;     // the system's heap, where the backend uses one
  Block* first_ = nullptr;  // the chain of blocks, or the system's heap
};

}  // namespace tz::platform

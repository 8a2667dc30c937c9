// The general-purpose allocator is the C library's; a private heap chains its blocks
// behind small headers so that destroying it can release them all.
#include "support/platform/heap.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tz::platform {

void* heapAllocate(size_t bytes, bool zeroFill) {
  return zeroFill ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
}

void* heapReallocate(void* block, size_t bytes) {
  return realloc(block, bytes ? bytes : 1);
}

void heapFree(void* block) {
  free(block);
}

size_t heapBlockSize(const void* block) {
  return block ? malloc_usable_size(const_cast<void*>(block)) : 0;
}

// 16 bytes on this target, so that blocks keep the C library's 16-byte alignment.
struct PrivateHeap::Block {
  Block* prev;
  Block* next;
  uint32_t size;
  uint32_t unused;
};

namespace {

template <typename Block>
Block* headerOf(const void* p) {
  return reinterpret_cast<Block*>(const_cast<char*>(static_cast<const char*>(p)) - sizeof(Block));
}

}  // namespace

PrivateHeap* PrivateHeap::create() {
  static_assert(sizeof(Block) == 16);
  void* memory = malloc(sizeof(PrivateHeap));
  return memory ? new (memory) PrivateHeap() : nullptr;
}

void PrivateHeap::destroy(PrivateHeap* heap) {
  if (heap == nullptr) return;
  for (Block* b = heap->first_; b != nullptr;) {
    Block* next = b->next;
    ::free(b);
    b = next;
  }
  heap->~PrivateHeap();
  ::free(heap);
}

void* PrivateHeap::allocate(size_t bytes) {
  if (bytes > UINT32_MAX - sizeof(Block)) return nullptr;
  auto* b = static_cast<Block*>(calloc(1, sizeof(Block) + bytes));
  if (b == nullptr) return nullptr;
  b->size = static_cast<uint32_t>(bytes);
  b->next = first_;
  if (first_) first_->prev = b;
  first_ = b;
  return b + 1;
}

void* PrivateHeap::reallocate(void* block, size_t bytes) {
  if (block == nullptr) return allocate(bytes);
  if (bytes > UINT32_MAX - sizeof(Block)) return nullptr;
  Block* old = headerOf<Block>(block);
  const uint32_t oldSize = old->size;
  auto* b = static_cast<Block*>(realloc(old, sizeof(Block) + bytes));
  if (b == nullptr) return nullptr;
  if (bytes > oldSize) memset(reinterpret_cast<char*>(b + 1) + oldSize, 0, bytes - oldSize);
  b->size = static_cast<uint32_t>(bytes);
  if (b->prev)
    b->prev->next = b;
  else
    first_ = b;
  if (b->next) b->next->prev = b;
  return b + 1;
}

void PrivateHeap::free(void* block) {
  if (block == nullptr) return;
  Block* b = headerOf<Block>(block);
  if (b->prev)
    b->prev->next = b->next;
  else
    first_ = b->next;
  if (b->next) b->next->prev = b->prev;
  ::free(b);
}

size_t PrivateHeap::blockSize(const void* block) const {
  return block ? headerOf<Block>(block)->size : 0;
}

}  // namespace tz::platform

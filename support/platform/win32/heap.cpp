// The process heap is the general-purpose allocator; a private heap is a heap of the system's
// own, which reports the sizes asked for and releases every block when it is destroyed.
#include "support/platform/heap.h"

#include <windows.h>

#include <new>

namespace tz::platform {

// The system's heap; its handle is kept where the other backend chains its blocks.
HANDLE PrivateHeap::system() const {
  return reinterpret_cast<HANDLE>(first_);
}

void* heapAllocate(size_t bytes, bool zeroFill) {
  return HeapAlloc(GetProcessHeap(), zeroFill ? HEAP_ZERO_MEMORY : 0, bytes);
}

void* heapReallocate(void* block, size_t bytes) {
  if (block == nullptr) return heapAllocate(bytes, false);
  return HeapReAlloc(GetProcessHeap(), 0, block, bytes);
}

void heapFree(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

size_t heapBlockSize(const void* block) {
  if (block == nullptr) return 0;
  const SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
  return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

// The object lives in its own heap and goes with it.
PrivateHeap* PrivateHeap::create() {
  const HANDLE system = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
  if (system == nullptr) return nullptr;
  void* memory = HeapAlloc(system, 0, sizeof(PrivateHeap));
  if (memory == nullptr) {
    HeapDestroy(system);
    return nullptr;
  }
  auto* heap = new (memory) PrivateHeap();
  heap->first_ = reinterpret_cast<Block*>(system);
  return heap;
}

void PrivateHeap::destroy(PrivateHeap* heap) {
  if (heap == nullptr) return;
  const HANDLE system = heap->system();
  heap->~PrivateHeap();
  HeapDestroy(system);
}

void* PrivateHeap::allocate(size_t bytes) {
  return HeapAlloc(system(), HEAP_ZERO_MEMORY, bytes);
}

void* PrivateHeap::reallocate(void* block, size_t bytes) {
  if (block == nullptr) return allocate(bytes);
  return HeapReAlloc(system(), HEAP_ZERO_MEMORY, block, bytes);
}

void PrivateHeap::free(void* block) {
  if (block != nullptr) HeapFree(system(), 0, block);
}

size_t PrivateHeap::blockSize(const void* block) const {
  if (block == nullptr) return 0;
  const SIZE_T size = HeapSize(system(), 0, block);
  return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

}  // namespace tz::platform

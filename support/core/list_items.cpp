// Item blocks of heap lists (from the list's private heap or the general allocator), the
// pending item, and the list's memory footprint.
#include <algorithm>

#include "support/core/list_internal.h"

namespace tz::core {

void* allocateItem(const tTZLIST* list, size_t bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  if (platform::PrivateHeap* heap = itemHeapOf(list)) return heap->allocate(bytes);
  return platform::heapAllocate(bytes, true);
}

void freeItem(const tTZLIST* list, void* item) {
  if (platform::PrivateHeap* heap = itemHeapOf(list))
    heap->free(item);
  else
    platform::heapFree(item);
}

size_t itemBlockSize(const tTZLIST* list, const void* item) {
  if (platform::PrivateHeap* heap = itemHeapOf(list)) return heap->blockSize(item);
  return platform::heapBlockSize(item);
}

HRESULT allocPendingItem(tTZLIST* list, LONG size, void** item) {
  *item = nullptr;
  if (!isHeapList(list) || list->pendingItem != nullptr) return E_FAIL;
  if (size < 0) return E_INVALIDARG;
  void* block = allocateItem(list, static_cast<size_t>(size));
  if (block == nullptr) return E_OUTOFMEMORY;
  list->pendingItem = block;
  *item = block;
  return S_OK;
}

}  // namespace tz::core

using namespace tz::core;
namespace platform = tz::platform;

HRESULT TZ_STDCALL TzList_AllocItem(tTZLIST* list, LONG size, void** item) {
  if (item == nullptr) return E_INVALIDARG;
  *item = nullptr;
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  return allocPendingItem(list, size, item);
}

HRESULT TZ_STDCALL TzList_ReAllocItem(tTZLIST* list, LONG index, LONG size) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (!isHeapList(list) || index < 0 || index >= list->itemCount) return E_FAIL;
  if (size < 0) return E_INVALIDARG;
  void* item = slotValue(list, index);
  platform::PrivateHeap* heap = itemHeapOf(list);
  void* block = heap ? heap->reallocate(item, static_cast<size_t>(size))
                     : platform::heapReallocate(item, static_cast<size_t>(size));
  if (block == nullptr) return E_OUTOFMEMORY;
  setSlotValue(list, index, block);
  return S_OK;
}

LONG TZ_STDCALL TzList_AllocSize(tTZLIST* list, LONG index) {
  ListGuard guard(list);
  if (!guard.granted() || index >= list->itemCount) return -1;
  if (index >= 0)
    return isArrayList(list) ? list->slotSize
                             : static_cast<LONG>(itemBlockSize(list, slotValue(list, index)));
  uint64_t total = sizeof(tTZLIST) + platform::heapBlockSize(list->slots);
  if (!isArrayList(list))
    for (LONG i = 0; i < list->itemCount; ++i) total += itemBlockSize(list, slotValue(list, i));
  return static_cast<LONG>(std::min<uint64_t>(total, INT32_MAX));
}

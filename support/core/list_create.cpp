// Creation, destruction and relocation of list records, and the signature tests.
#include <algorithm>

#include "support/core/list_internal.h"
#include "support/platform/memory_probe.h"
#include "support/platform/this_thread.h"

namespace tz::core {
namespace {

// 0 for an item size that an array list cannot hold.
int64_t slotSizeFor(LONG itemSize, DWORD options) {
  if ((options & TZLIST_OPT_ARRAY) == 0) return sizeof(void*);
  if (itemSize <= 0) return 0;
  const int64_t rounded = (static_cast<int64_t>(itemSize) + 3) & ~int64_t{3};
  return rounded <= static_cast<int64_t>(kMaxBlockBytes) ? rounded : 0;
}

LONG clampGrowStep(LONG growStep) {
  if (growStep <= 0) growStep = kDefaultSlots;
  return std::clamp(growStep, kMinGrowStep, kMaxGrowStep);
}

int64_t initialCapacity(LONG initialSlots, LONG growStep) {
  if (initialSlots <= 0) initialSlots = kDefaultSlots;
  initialSlots = std::max(initialSlots, kMinGrowStep);
  return (static_cast<int64_t>(initialSlots) + growStep - 1) / growStep * growStep;
}

// The item side of a heap list; false when its private heap cannot be made.
bool setUpItemHeap(tTZLIST* list) {
  if (!isHeapList(list)) return true;
  list->heapAllocFlags = kHeapAllocFlags;
  list->heapFreeFlags = kHeapFreeFlags;
  if ((list->options & TZLIST_OPT_PRIVATEHEAP) == 0) return true;
  list->itemHeap = platform::PrivateHeap::create();
  return list->itemHeap != nullptr;
}

void releaseItems(tTZLIST* list) {
  if (platform::PrivateHeap* heap = itemHeapOf(list)) {
    platform::PrivateHeap::destroy(heap);
    list->itemHeap = nullptr;
    memset(list->slots, 0, static_cast<size_t>(list->itemCount) * list->slotSize);
  } else {
    for (LONG i = 0; i < list->itemCount; ++i) platform::heapFree(slotValue(list, i));
    // The pending block belongs to the list too; without this it would leak.
    platform::heapFree(list->pendingItem);
  }
  list->pendingItem = nullptr;
}

bool overlaps(const void* a, const void* b) {
  const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  return x < y + sizeof(tTZLIST) && y < x + sizeof(tTZLIST);
}

bool hasSignature(const void* p) {
  if (p == nullptr) return false;
  DWORD signature;
  memcpy(&signature, static_cast<const std::byte*>(p) + offsetof(tTZLIST, signature),
         sizeof signature);
  return signature == TZLIST_SIGNATURE;
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;
namespace platform = tz::platform;

HRESULT TZ_STDCALL TzList_CreateExZ(tTZLIST** list, LONG itemSize, LONG initialSlots, LONG growStep,
                                    DWORD options, DWORD, DWORD, DWORD) {
  if (list == nullptr) return E_INVALIDARG;
  const bool inPlace = (options & TZLIST_OPT_INPLACE) != 0;
  if (inPlace) {
    if (*list == nullptr) return E_FAIL;
    memset(*list, 0, sizeof(tTZLIST));
  } else {
    *list = nullptr;
  }
  if ((options & TZLIST_OPT_ARRAY) && (options & TZLIST_OPT_HEAP)) return E_FAIL;
  const int64_t slotSize = slotSizeFor(itemSize, options);
  if (slotSize == 0) return E_INVALIDARG;

  tTZLIST* record =
      inPlace ? *list : static_cast<tTZLIST*>(platform::heapAllocate(sizeof(tTZLIST), true));
  if (record == nullptr) return E_OUTOFMEMORY;
  record->signature = TZLIST_SIGNATURE;
  record->slotSize = static_cast<LONG>(slotSize);
  record->growStep = clampGrowStep(growStep);
  const int64_t capacity = initialCapacity(initialSlots, record->growStep);
  record->slots = allocateSlotArray(capacity, record->slotSize);
  if (record->slots == nullptr) {
    record->signature = 0;
    if (!inPlace) platform::heapFree(record);
    return E_OUTOFMEMORY;
  }
  record->capacity = static_cast<LONG>(capacity);
  if (options & TZLIST_OPT_LOCKED) new (record->lock) platform::RecursiveLock();
  record->ownerThread = platform::currentThreadId();
  record->options = options | TZLIST_OPT_ANYTHREAD;
  if (!setUpItemHeap(record)) {
    TzList_Destroy(record);
    return E_OUTOFMEMORY;
  }
  *list = record;
  return S_OK;
}

HRESULT TZ_STDCALL TzList_Destroy(tTZLIST* list) {
  if (list == nullptr) return S_OK;
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (isHeapList(list)) releaseItems(list);
  platform::heapFree(list->slots);
  list->slots = nullptr;
  list->itemCount = list->capacity = 0;
  list->signature = 0;
  guard.leave();
  if ((list->options & TZLIST_OPT_INPLACE) == 0) platform::heapFree(list);
  return S_OK;
}

HRESULT TZ_STDCALL TzList_ConvertToInPlace(tTZLIST** list, tTZLIST* record) {
  if (list == nullptr || record == nullptr || !isLive(*list)) return E_INVALIDARG;
  tTZLIST* old = *list;
  if (overlaps(old, record)) return E_INVALIDARG;
  ListGuard guard(old);
  if (!guard.granted()) return guard.refusal();
  if (old->options & TZLIST_OPT_INPLACE) return E_FAIL;
  memcpy(record, old, sizeof *record);
  old->signature = 0;
  guard.leave();
  // The copy was taken while this thread held the lock; the new record starts unlocked.
  if (record->options & TZLIST_OPT_LOCKED) lockOf(record)->reset();
  record->options |= TZLIST_OPT_INPLACE;
  platform::heapFree(old);
  *list = nullptr;
  return S_OK;
}

BOOL TZ_STDCALL TzList_IsList(const void* p, LONG size) {
  if (size != static_cast<LONG>(sizeof(tTZLIST))) return FALSE;
  return platform::isReadable(p, sizeof(tTZLIST)) && hasSignature(p);
}

BOOL TZ_STDCALL TzList_IsListFast(const void* p) {
  return hasSignature(p);
}

// Insertion of slots: copied from the caller, taken over item blocks, or the pending item.
#include "support/core/list_internal.h"

namespace tz::core {
namespace {

// Slots the arguments bring, or -1 when they match none of the three forms.
int64_t slotsToInsert(const tTZLIST* list, const void* source, LONG count) {
  if (source != nullptr) {
    if (count < 0) return -static_cast<int64_t>(count);
    return isHeapList(list) ? -1 : count;
  }
  return count == -1 && list->pendingItem != nullptr ? 1 : -1;
}

bool insideSlots(const tTZLIST* list, const void* p) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  const auto begin = reinterpret_cast<uintptr_t>(list->slots);
  return at >= begin && at - begin < static_cast<uintptr_t>(list->capacity) * list->slotSize;
}

// Owns a copy of source taken aside when source lies in the slots that growth frees and the
// shift moves.
class StagedSource {
 public:
  StagedSource(const tTZLIST* list, const void* source, size_t bytes) : source_(source) {
    if (source == nullptr || !insideSlots(list, source)) return;
    copy_ = platform::heapAllocate(bytes, false);
    if (copy_ != nullptr) memcpy(copy_, source, bytes);
    source_ = copy_;
  }
  ~StagedSource() { platform::heapFree(copy_); }
  StagedSource(const StagedSource&) = delete;
  StagedSource& operator=(const StagedSource&) = delete;
  const void* get() const { return source_; }

 private:
  const void* source_;
  void* copy_ = nullptr;
};

}  // namespace

HRESULT insertSlots(tTZLIST* list, LONG index, const void* source, LONG count) {
  const int64_t n = slotsToInsert(list, source, count);
  if (n < 0) return E_FAIL;
  const int64_t needed = list->itemCount + n;
  if (needed > INT32_MAX || static_cast<uint64_t>(n) * list->slotSize > kMaxBlockBytes)
    return E_OUTOFMEMORY;
  const size_t bytes = static_cast<size_t>(n) * list->slotSize;
  const StagedSource staged(list, source, bytes);
  if (source != nullptr && staged.get() == nullptr) return E_OUTOFMEMORY;
  if (list->capacity < needed) {
    const HRESULT hr = growSlots(list, static_cast<LONG>(needed - list->capacity));
    if (FAILED(hr)) return hr;
  }
  if (index < 0 || index > list->itemCount) index = list->itemCount;
  std::byte* at = slotAt(list, index);
  memmove(at + bytes, at, static_cast<size_t>(list->itemCount - index) * list->slotSize);
  if (source != nullptr)
    memcpy(at, staged.get(), bytes);
  else
    setSlotValue(list, index, list->pendingItem);
  list->itemCount = static_cast<LONG>(needed);
  list->pendingItem = nullptr;
  return S_OK;
}

}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzList_InsertList(tTZLIST* list, LONG index, const void* source, LONG count) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  return insertSlots(list, index, source, count);
}

HRESULT TZ_STDCALL TzList_AllocAndInsertItem(tTZLIST* list, const void* source, LONG size,
                                             LONG index, LONG* insertedAt) {
  if (insertedAt != nullptr) *insertedAt = -1;
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  if (index < 0 || index >= list->itemCount) index = list->itemCount;
  void* item;
  HRESULT hr = allocPendingItem(list, size, &item);
  if (FAILED(hr)) return hr;
  if (source != nullptr) memcpy(item, source, static_cast<size_t>(size));
  hr = insertSlots(list, index, nullptr, -1);
  if (FAILED(hr)) {
    freeItem(list, item);
    list->pendingItem = nullptr;
    return hr;
  }
  if (insertedAt != nullptr) *insertedAt = index;
  return S_OK;
}

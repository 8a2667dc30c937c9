// Ordering by a caller's compare function: selection sort, heap sort, and sorted insertion of
// one list's items into another. The exact (unstable) orders are part of the contract.
#include "support/core/list_internal.h"

namespace tz::core {
namespace {

// Word by word, so that array slots of any size swap without a buffer.
void swapSlots(tTZLIST* list, LONG a, LONG b) {
  std::byte* x = slotAt(list, a);
  std::byte* y = slotAt(list, b);
  for (LONG offset = 0; offset < list->slotSize; offset += 4) {
    uint32_t u, v;
    memcpy(&u, x + offset, 4);
    memcpy(&v, y + offset, 4);
    memcpy(x + offset, &v, 4);
    memcpy(y + offset, &u, 4);
  }
}

// Of several equal largest items the first one found goes to the end.
void selectionSort(tTZLIST* list, TZLISTCOMPAREPROC compare) {
  for (LONG last = list->itemCount - 1; last >= 1; --last) {
    LONG best = 0;
    for (LONG j = 1; j <= last; ++j)
      if (compare(list->sortCriteria, callbackItem(list, j), callbackItem(list, best)) > 0)
        best = j;
    if (best != last) swapSlots(list, best, last);
  }
}

// Heap positions count from 1: position p is slot p - 1.
class HeapSorter {
 public:
  HeapSorter(tTZLIST* list, TZLISTCOMPAREPROC compare) : list_(list), compare_(compare) {}

  void run() {
    const LONG n = list_->itemCount;
    // Position 1 is left to the first extraction's sift, which completes the heap.
    for (LONG i = n / 2; i >= 2; --i) sift(i, n);
    for (LONG m = n; m >= 2; --m) {
      sift(1, m);
      swapSlots(list_, 0, m - 1);
    }
  }

 private:
  bool greater(LONG a, LONG b) const {
    return compare_(list_->sortCriteria, callbackItem(list_, a - 1), callbackItem(list_, b - 1)) >
           0;
  }

  // Follows the larger child to the bottom even when a step swaps nothing. Below the first
  // level a lone child at position m is not compared: m is the next to be swapped out.
  void sift(LONG i, LONG m) {
    LONG j = 2 * i;
    if (j < m && greater(j + 1, j)) ++j;
    for (LONG p = i;;) {
      if (greater(j, p)) swapSlots(list_, p - 1, j - 1);
      p = j;
      j *= 2;
      if (j >= m) return;
      if (greater(j + 1, j)) ++j;
    }
  }

  tTZLIST* list_;
  TZLISTCOMPAREPROC compare_;
};

// Inserts source item i at its sorted place in destination; failures are skipped.
void insertSorted(tTZLIST* destination, const tTZLIST* source, LONG i, TZLISTCOMPAREPROC compare) {
  ListGuard guard(destination);
  // The insertion copies a destination slot's bytes from the source slot: no further.
  if (!guard.granted() || source->slotSize < destination->slotSize) return;
  const void* value = slotValue(source, i);
  const void* bytes = isArrayList(source) ? static_cast<const void*>(slotAt(source, i)) : &value;
  const LONG count = destination->itemCount;
  const LONG at =
      count == 0 ? 0
                 : findSortedInsertIndex(destination, callbackItem(source, i), 0, count, compare);
  insertSlots(destination, at, bytes, 1);
}

}  // namespace
}  // namespace tz::core

using namespace tz::core;

HRESULT TZ_STDCALL TzList_Sort(tTZLIST* list, DWORD criteria, TZLISTCOMPAREPROC compare) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  list->sortCriteria = criteria;
  if (compare != nullptr && list->itemCount >= 2) selectionSort(list, compare);
  return S_OK;
}

HRESULT TZ_STDCALL TzList_HeapSort(tTZLIST* list, DWORD criteria, TZLISTCOMPAREPROC compare) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  list->sortCriteria = criteria;
  if (compare != nullptr && list->itemCount >= 2) HeapSorter(list, compare).run();
  return S_OK;
}

HRESULT TZ_STDCALL TzList_SortTo(tTZLIST* destination, tTZLIST* source, DWORD criteria,
                                 TZLISTCOMPAREPROC compare) {
  // Into itself, each insertion would shift the items still to be read.
  if (destination == source) return E_INVALIDARG;
  ListGuard guard(source);
  if (!guard.granted()) return guard.refusal();
  {
    ListGuard destinationGuard(destination);
    if (!destinationGuard.granted()) return destinationGuard.refusal();
    destination->sortCriteria = criteria;
  }
  if (compare == nullptr) return S_OK;
  for (LONG i = 0; i < source->itemCount; ++i) insertSorted(destination, source, i, compare);
  return S_OK;
}

// Searches over a range of slots: by identity, by a match callback, and the binary searches of
// a sorted range for an item and for an insertion index.
#include "support/core/list_internal.h"

namespace tz::core {
namespace {

struct Range {
  LONG start;
  LONG count;  // negative when start lies beyond the end
};

Range normaliseRange(const tTZLIST* list, LONG start, LONG count) {
  if (start < 0) start = 0;
  const LONG rest = list->itemCount - start;
  if (count < 0 || count >= rest) count = rest;
  return {start, count};
}

bool holdsItem(const tTZLIST* list, LONG index, const void* item) {
  if (isArrayList(list)) return memcmp(slotAt(list, index), item, list->slotSize) == 0;
  return slotValue(list, index) == item;
}

// The probe order is part of the contract: of several equal items the first one probed wins.
// An odd length probes its middle; an even one the last slot of its lower half.
struct ProbeWindow {
  LONG lo, hi, len;

  bool open() const { return lo <= hi; }
  bool single() const { return len / 2 == 0; }
  LONG middle() const { return (len & 1) ? lo + len / 2 : lo + len / 2 - 1; }
  void narrow(LONG mid, LONG r) {
    const LONG half = len / 2;
    if (r < 0) {
      hi = mid - 1;
      len = (len & 1) ? half : half - 1;
    } else {
      lo = mid + 1;
      len = half;
    }
  }
};

LONG binarySearch(const tTZLIST* list, const void* key, Range range, TZLISTCOMPAREPROC compare) {
  ProbeWindow w{range.start, range.start + range.count - 1, range.count};
  while (w.open()) {
    if (w.single())
      return compare(list->sortCriteria, key, callbackItem(list, w.lo)) == 0 ? w.lo : -1;
    const LONG mid = w.middle();
    const LONG r = compare(list->sortCriteria, key, callbackItem(list, mid));
    if (r == 0) return mid;
    w.narrow(mid, r);
  }
  return -1;
}

}  // namespace

LONG findSortedInsertIndex(const tTZLIST* list, const void* key, LONG start, LONG count,
                           TZLISTCOMPAREPROC compare) {
  ProbeWindow w{start, start + count - 1, count};
  LONG candidate = start;
  while (w.open()) {
    if (w.single())
      return compare(list->sortCriteria, key, callbackItem(list, w.lo)) > 0 ? w.lo + 1 : w.lo;
    const LONG mid = w.middle();
    const LONG r = compare(list->sortCriteria, key, callbackItem(list, mid));
    if (r == 0) return mid;
    candidate = r > 0 ? mid + 1 : mid;
    w.narrow(mid, r);
  }
  return candidate;
}

}  // namespace tz::core

using namespace tz::core;

LONG TZ_STDCALL TzList_FindSpecificItemRange(tTZLIST* list, LONG start, LONG count,
                                             const void* item) {
  ListGuard guard(list);
  if (!guard.granted()) return -1;
  if (isArrayList(list) && item == nullptr) return -1;
  const Range range = normaliseRange(list, start, count);
  for (LONG i = range.start; i < range.start + range.count; ++i)
    if (holdsItem(list, i, item)) return i;
  return -1;
}

LONG TZ_STDCALL TzList_FindItemRange(tTZLIST* list, LONG start, LONG count, void* param,
                                     TZLISTMATCHPROC match) {
  ListGuard guard(list);
  if (!guard.granted() || match == nullptr) return -1;
  const Range range = normaliseRange(list, start, count);
  for (LONG i = range.start; i < range.start + range.count; ++i)
    if (match(param, callbackItem(list, i)) == 0) return i;
  return -1;
}

LONG TZ_STDCALL TzList_FindSortedItemRange(tTZLIST* list, const void* key, LONG start, LONG count,
                                           TZLISTCOMPAREPROC compare) {
  ListGuard guard(list);
  if (!guard.granted() || compare == nullptr) return -1;
  const Range range = normaliseRange(list, start, count);
  if (range.count <= 0) return -1;
  return binarySearch(list, key, range, compare);
}

LONG TZ_STDCALL TzList_FindSortedInsertIndexRange(tTZLIST* list, const void* key, LONG start,
                                                  LONG count, TZLISTCOMPAREPROC compare) {
  ListGuard guard(list);
  if (!guard.granted() || compare == nullptr) return -1;
  const Range range = normaliseRange(list, start, count);
  if (range.start > list->itemCount) return -1;
  if (range.count <= 0) return 0;
  return findSortedInsertIndex(list, key, range.start, range.count, compare);
}

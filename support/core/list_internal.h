// Internals shared by the list's files: record constants, slot access, the entry guard and the
// unguarded operations that exports call while they already hold the guard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "support/platform/heap.h"
#include "support/platform/recursive_lock.h"
#include "tz/list.h"

namespace tz::core {

static_assert(sizeof(platform::RecursiveLock) <= sizeof(tTZLIST::lock));
static_assert(alignof(platform::RecursiveLock) <= 4 && offsetof(tTZLIST, lock) % 4 == 0);

constexpr LONG kDefaultSlots = 16;
constexpr LONG kMinGrowStep = 4;
constexpr LONG kMaxGrowStep = 0x10400;
constexpr DWORD kHeapAllocFlags = 9;
constexpr DWORD kHeapFreeFlags = 1;
// Slot arrays and item blocks stay within what a LONG size can report.
constexpr uint64_t kMaxBlockBytes = 0x7FFFFFFF;

inline platform::RecursiveLock* lockOf(tTZLIST* list) {
  return std::launder(reinterpret_cast<platform::RecursiveLock*>(list->lock));
}
inline bool isLive(const tTZLIST* list) {
  return list != nullptr && list->signature == TZLIST_SIGNATURE;
}
inline bool isHeapList(const tTZLIST* list) {
  return (list->options & TZLIST_OPT_HEAP) != 0;
}
inline bool isArrayList(const tTZLIST* list) {
  return (list->options & TZLIST_OPT_ARRAY) != 0;
}
inline platform::PrivateHeap* itemHeapOf(const tTZLIST* list) {
  return static_cast<platform::PrivateHeap*>(list->itemHeap);
}

inline std::byte* slotAt(const tTZLIST* list, LONG index) {
  return static_cast<std::byte*>(list->slots) + static_cast<size_t>(index) * list->slotSize;
}
inline void* slotValue(const tTZLIST* list, LONG index) {
  void* value;
  memcpy(&value, slotAt(list, index), sizeof value);
  return value;
}
inline void setSlotValue(tTZLIST* list, LONG index, const void* value) {
  memcpy(slotAt(list, index), &value, sizeof value);
}
// What a compare or match callback receives for a slot.
inline const void* callbackItem(const tTZLIST* list, LONG index) {
  return isArrayList(list) ? slotAt(list, index) : slotValue(list, index);
}

enum class Access { Granted, Dead, Foreign };

// The refusal every operation starts with, without the lock: a null or destroyed list, or a
// caller other than the owner of a list that is neither locked nor open to any thread.
Access checkAccess(const tTZLIST* list);

// Enters a locked list's lock for the guard's lifetime, after checkAccess (or only the
// liveness part of it, for the operations that take any thread).
class ListGuard {
 public:
  explicit ListGuard(tTZLIST* list, bool checkOwner = true);
  ~ListGuard() { leave(); }
  ListGuard(const ListGuard&) = delete;
  ListGuard& operator=(const ListGuard&) = delete;

  bool granted() const { return access_ == Access::Granted; }
  HRESULT refusal() const { return access_ == Access::Dead ? E_INVALIDARG : E_FAIL; }
  // Leaves the lock early, before the record holding it goes away.
  void leave();

 private:
  platform::RecursiveLock* lock_ = nullptr;
  Access access_;
};

// Item blocks of a heap list: its private heap, or the general allocator.
void* allocateItem(const tTZLIST* list, size_t bytes);
void freeItem(const tTZLIST* list, void* item);
size_t itemBlockSize(const tTZLIST* list, const void* item);

// Unguarded operations; the caller holds the guard of every list involved.
// A zero-filled slot array, or null when out of memory or beyond kMaxBlockBytes.
void* allocateSlotArray(int64_t capacity, LONG slotSize);
HRESULT growSlots(tTZLIST* list, LONG n);
HRESULT shrinkSlots(tTZLIST* list, LONG n);
// Releases surplus capacity when more than one grow step is free; failure keeps the capacity.
void releaseSurplus(tTZLIST* list);
HRESULT insertSlots(tTZLIST* list, LONG index, const void* source, LONG count);
HRESULT allocPendingItem(tTZLIST* list, LONG size, void** item);
// Closes the gap of count slots at start and zero-fills the vacated end; frees nothing.
void removeSlots(tTZLIST* list, LONG start, LONG count);
LONG findSortedInsertIndex(const tTZLIST* list, const void* key, LONG start, LONG count,
                           TZLISTCOMPAREPROC compare);

}  // namespace tz::core

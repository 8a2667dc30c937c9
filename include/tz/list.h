// The support library's one container: a growable array of fixed-size slots (pointer, heap
// or array kind), optionally kept in order by a caller's compare function, optionally locked.
#pragma once

#include <cstddef>

#include "tz/export.h"
#include "tz/win_types.h"

// The list record, 84 bytes. Callers may read it (slots are contiguous: slot i of a pointer or
// heap list is ((void**)slots)[i], of an array list slotSize bytes at slots + i * slotSize)
// but change it only through the functions below.
struct tTZLIST {
  LONG itemCount;        // slots in use
  LONG slotSize;         // 4, or an array list's item size rounded up to a multiple of 4
  void* slots;           // capacity * slotSize bytes, zero-filled when allocated
  BYTE lock[24];         // recursive lock, used only with TZLIST_OPT_LOCKED
  DWORD signature;       // TZLIST_SIGNATURE while the list lives, 0 once destroyed
  DWORD options;         // creation options, always with TZLIST_OPT_ANYTHREAD
  LONG userData;         // free for the caller
  DWORD sortCriteria;    // the last sort's criteria, first argument of every compare call
  DWORD ownerThread;     // thread that created the list, or the one set later
  LONG capacity;         // slots allocated, a multiple of growStep
  LONG growStep;         // allocation granularity in slots, 4..66560
  HANDLE itemHeap;       // private item heap of a TZLIST_OPT_PRIVATEHEAP heap list
  DWORD heapAllocFlags;  // 9 for heap lists: unserialised, zero-filled
  DWORD heapFreeFlags;   // 1 for heap lists: unserialised
  void* pendingItem;     // block from TzList_AllocItem not yet inserted
  DWORD reserved;
};
static_assert(sizeof(tTZLIST) == 84);
static_assert(offsetof(tTZLIST, slots) == 8 && offsetof(tTZLIST, lock) == 12);
static_assert(offsetof(tTZLIST, signature) == 36 && offsetof(tTZLIST, options) == 40);
static_assert(offsetof(tTZLIST, userData) == 44 && offsetof(tTZLIST, sortCriteria) == 48);
static_assert(offsetof(tTZLIST, ownerThread) == 52 && offsetof(tTZLIST, capacity) == 56);
static_assert(offsetof(tTZLIST, growStep) == 60 && offsetof(tTZLIST, itemHeap) == 64);
static_assert(offsetof(tTZLIST, heapAllocFlags) == 68 && offsetof(tTZLIST, heapFreeFlags) == 72);
static_assert(offsetof(tTZLIST, pendingItem) == 76 && offsetof(tTZLIST, reserved) == 80);

constexpr DWORD TZLIST_SIGNATURE = 0x4C495751;  // "QWIL" in memory order

// Creation options. Pointer lists (neither HEAP nor ARRAY) never free what their slots hold;
// heap lists own the item blocks their slots point to; array lists hold items by value.
constexpr DWORD TZLIST_OPT_HEAP = 0x00000002;
constexpr DWORD TZLIST_OPT_ARRAY = 0x00000004;        // not together with TZLIST_OPT_HEAP
constexpr DWORD TZLIST_OPT_INPLACE = 0x00000008;      // record in the caller's storage, never freed
constexpr DWORD TZLIST_OPT_PRIVATEHEAP = 0x10000000;  // heap list items from a heap of its own
constexpr DWORD TZLIST_OPT_ANYTHREAD = 0x40000000;    // creation always adds it
constexpr DWORD TZLIST_OPT_LOCKED = 0x80000000;       // every operation under the list's lock

// Callbacks get the slot value of a pointer or heap list, the slot address of an array list.
// compare: negative, zero or positive as a is less than, equal to or greater than b.
typedef LONG(TZ_CALLBACK* TZLISTCOMPAREPROC)(DWORD criteria, const void* a, const void* b);
// match: 0 when item is the one sought.
typedef LONG(TZ_CALLBACK* TZLISTMATCHPROC)(void* param, const void* item);

// Threads: a TZLIST_OPT_LOCKED list runs every operation under its recursive lock (the field
// getters and TzList_SetUserData excepted; that one swaps atomically). Other lists have no
// synchronisation; a list whose options lack both LOCKED and ANYTHREAD refuses every thread
// but its owner (E_FAIL, -1 or FALSE). A null or destroyed list gets E_INVALIDARG, -1, FALSE
// or 0. Callbacks run under the lock and may call the list again. Nothing here is for the
// audio path: operations may allocate.
// Statuses: S_OK; E_FAIL for a wrong list kind, a bad range, a busy pending slot or a foreign
// thread; E_OUTOFMEMORY (the list is left as it was); E_INVALIDARG for bad arguments.

// Creates a list in *list (null on failure), or with TZLIST_OPT_INPLACE initialises the record
// that *list already addresses. Initial slots and grow step <= 0 mean 16; the grow step is held
// to 4..66560. itemSize is used by array lists only. The last three arguments are ignored.
TZAPI(HRESULT)
TzList_CreateExZ(tTZLIST** list, LONG itemSize, LONG initialSlots, LONG growStep, DWORD options,
                 DWORD unused1, DWORD unused2, DWORD unused3);
// Frees the slots, a heap list's items (its pending item too) and the record unless in place.
TZAPI(HRESULT) TzList_Destroy(tTZLIST* list);
// Moves an allocated record into the caller's 84-byte record, which then is the list (in
// place); the old record is freed and *list set to null. No other thread may use the list
// meanwhile. E_FAIL if the list already is in place.
TZAPI(HRESULT) TzList_ConvertToInPlace(tTZLIST** list, tTZLIST* record);
// TRUE if size is 84 and the 84 bytes at p are readable and hold a live list; never faults.
TZAPI(BOOL) TzList_IsList(const void* p, LONG size);
// Tests the signature only: p must be readable.
TZAPI(BOOL) TzList_IsListFast(const void* p);

TZAPI(LONG) TzList_GetUserData(tTZLIST* list);
TZAPI(LONG) TzList_SetUserData(tTZLIST* list, LONG value);  // returns the previous value
TZAPI(DWORD) TzList_GetCreateOptions(tTZLIST* list);
TZAPI(DWORD) TzList_GetSortCriteria(tTZLIST* list);
TZAPI(DWORD) TzList_GetThreadOwner(tTZLIST* list);
TZAPI(HRESULT) TzList_SetThreadOwner(tTZLIST* list, DWORD threadId);  // 0: the calling thread
// No creation site is recorded: writes an empty string to buffer (if any) and returns -1.
TZAPI(LONG) TzList_GetFileAndLine(tTZLIST* list, WCHAR* buffer, LONG unused);
TZAPI(BOOL) TzList_IsValidIndexSlow(tTZLIST* list, LONG index);

// Inserts before index (out of range: appends), growing in whole grow steps:
// count >= 0 slots from source (not for heap lists); -count slots from source (a heap list
// takes over the item blocks source points to); or, with source null and count -1, the
// pending item. Any successful insertion empties the pending slot.
TZAPI(HRESULT) TzList_InsertList(tTZLIST* list, LONG index, const void* source, LONG count);
// Heap lists: allocates a zero-filled item block of size bytes as the pending item.
TZAPI(HRESULT) TzList_AllocItem(tTZLIST* list, LONG size, void** item);
// Heap lists: allocates an item, copies size bytes from source (if any) and inserts it;
// *insertedAt (if given) receives its index, or -1 on failure.
TZAPI(HRESULT)
TzList_AllocAndInsertItem(tTZLIST* list, const void* source, LONG size, LONG index,
                          LONG* insertedAt);
// Heap lists: resizes an item; a private heap zero-fills growth, the general allocator does not.
TZAPI(HRESULT) TzList_ReAllocItem(tTZLIST* list, LONG index, LONG size);

// Deletes count slots from start (count < 0: to the end; a heap list frees the items). Start
// and count both < 0 discard the pending item instead. shrink releases surplus grow steps.
TZAPI(HRESULT) TzList_DeleteList(tTZLIST* list, LONG start, LONG count, BOOL shrink);
// Moves count items (< 0: all) from source to before destinationIndex (< 0: the end), keeping
// their order. Items move as they are between lists on the general allocator; otherwise each
// is copied into a block of the destination's allocator. Locks destination, then source.
TZAPI(HRESULT)
TzList_MoveItemsBetweenHeapLists(tTZLIST* destination, LONG destinationIndex, tTZLIST* source,
                                 LONG sourceStart, LONG count);
// Array lists: sets the item count, growing as needed. Slots dropped are not cleared, so a
// later growth of the count shows them again.
TZAPI(HRESULT) TzList_ArrayForceItemCount(tTZLIST* list, LONG newCount, BOOL release);

// Adds n slots (<= 0: one grow step), rounded up to whole grow steps.
TZAPI(HRESULT) TzList_GrowAllocated(tTZLIST* list, LONG n);
// Releases whole grow steps from the n free slots (< 0: all free slots); E_FAIL if n exceeds them.
TZAPI(HRESULT) TzList_ShrinkAllocated(tTZLIST* list, LONG n);
// index >= 0: the size of that item (an array list's slot size). index < 0: the footprint of
// record, slots and items. For a pointer list the slots must hold null or blocks of the
// general allocator. -1 for an index outside the list.
TZAPI(LONG) TzList_AllocSize(tTZLIST* list, LONG index);

// Searches return an index or -1. A negative start means 0; a negative count, or one beyond the
// end, means up to the end. An array list compares slotSize bytes at item.
TZAPI(LONG) TzList_FindSpecificItemRange(tTZLIST* list, LONG start, LONG count, const void* item);
TZAPI(LONG)
TzList_FindItemRange(tTZLIST* list, LONG start, LONG count, void* param, TZLISTMATCHPROC match);
// Binary search of a range sorted by compare; of several equal items, the first one probed.
TZAPI(LONG)
TzList_FindSortedItemRange(tTZLIST* list, const void* key, LONG start, LONG count,
                           TZLISTCOMPAREPROC compare);
// The index of an item equal to key, else where key keeps the range in order; 0 for an empty
// range.
TZAPI(LONG)
TzList_FindSortedInsertIndexRange(tTZLIST* list, const void* key, LONG start, LONG count,
                                  TZLISTCOMPAREPROC compare);

// Both sorts store criteria and order ascending, unstably; a null compare only stores.
TZAPI(HRESULT) TzList_Sort(tTZLIST* list, DWORD criteria, TZLISTCOMPAREPROC compare);
TZAPI(HRESULT) TzList_HeapSort(tTZLIST* list, DWORD criteria, TZLISTCOMPAREPROC compare);
// Inserts every source item, in source order, at its sorted place in destination (under the
// source's lock). Items that do not fit destination's slots, or fail to insert, are skipped.
TZAPI(HRESULT)
TzList_SortTo(tTZLIST* destination, tTZLIST* source, DWORD criteria, TZLISTCOMPAREPROC compare);
// Moves count slots (< 0: up to the end) from from to to, shifting the slots between.
TZAPI(HRESULT) TzList_MoveRange(tTZLIST* list, LONG from, LONG to, LONG count);

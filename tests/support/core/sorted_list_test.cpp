// Storage of the list: creation, insertion, deletion, capacity, item blocks and range moves.
#include <climits>
#include <cstring>

#include "support/platform/heap.h"
#include "tests/support/core/sorted_list_helpers.h"

namespace {

using namespace tz::core::test;
using tz::platform::heapBlockSize;

TEST(SortedListCreate, ClampsSizesAndRejectsBadArguments) {
  struct Case {
    LONG initial, grow, capacity, step;
  };
  for (Case c : {Case{-1, -1, 16, 16}, {1, 1, 4, 4}, {0, 100000, 66560, 66560}, {17, 16, 32, 16}}) {
    List list = makeList(0, 4, c.initial, c.grow);
    EXPECT_EQ(c.capacity, list->capacity) << c.initial << "/" << c.grow;
    EXPECT_EQ(c.step, list->growStep);
  }
  List array = makeList(TZLIST_OPT_ARRAY, 6);
  ASSERT_EQ(S_OK, TzList_InsertList(array.get(), 0, "abcdefg", 1));
  EXPECT_EQ(8, TzList_AllocSize(array.get(), 0));
  tTZLIST* list = reinterpret_cast<tTZLIST*>(16);
  EXPECT_EQ(E_FAIL, TzList_CreateExZ(&list, 4, 0, 0, TZLIST_OPT_ARRAY | TZLIST_OPT_HEAP, 0, 0, 0));
  EXPECT_EQ(E_FAIL, TzList_CreateExZ(&list, 4, 0, 0, TZLIST_OPT_INPLACE, 0, 0, 0));
  // 16 slots of 1 GiB overflow 32 bits: refused without a short allocation.
  EXPECT_EQ(E_OUTOFMEMORY, TzList_CreateExZ(&list, 1 << 30, 0, 0, TZLIST_OPT_ARRAY, 0, 0, 0));
  tTZLIST record;  // in place and destroyed: the record stays and refuses work
  list = &record;
  ASSERT_EQ(S_OK, TzList_CreateExZ(&list, 4, 0, 0, TZLIST_OPT_INPLACE, 0, 0, 0));
  EXPECT_EQ(S_OK, TzList_Destroy(&record));
  EXPECT_EQ(E_INVALIDARG, TzList_InsertList(&record, 0, &record, 1));
  EXPECT_EQ(S_OK, TzList_Destroy(nullptr));
}

TEST(SortedListInsert, AcceptsThreeFormsAndKeepsThePendingRules) {
  List list = makeList();
  append(list.get(), {1, 2, 3});
  const uintptr_t x = 9;
  EXPECT_EQ(S_OK, TzList_InsertList(list.get(), 1, &x, 1));
  EXPECT_EQ(S_OK, TzList_InsertList(list.get(), 99, &x, -1));
  EXPECT_EQ((V{1, 9, 2, 3, 9}), values(list.get()));
  EXPECT_EQ(E_FAIL, TzList_InsertList(list.get(), 0, nullptr, 2));
  List heap = makeList(TZLIST_OPT_HEAP);
  void* item = tz::platform::heapAllocate(4, true);
  EXPECT_EQ(E_FAIL, TzList_InsertList(heap.get(), 0, &item, 1));
  EXPECT_EQ(S_OK, TzList_InsertList(heap.get(), 0, &item, -1));  // the list owns it now
  EXPECT_EQ(E_FAIL, TzList_InsertList(heap.get(), -1, nullptr, -1));
  ASSERT_EQ(S_OK, TzList_AllocItem(heap.get(), 12, &item));
  void* second = &item;
  EXPECT_EQ(E_FAIL, TzList_AllocItem(heap.get(), 12, &second));
  EXPECT_EQ(nullptr, second);
  EXPECT_EQ(S_OK, TzList_InsertList(heap.get(), -1, nullptr, -1));
  EXPECT_EQ(uintptr_t(item), values(heap.get())[1]);
  ASSERT_EQ(S_OK, TzList_AllocItem(heap.get(), 4, &item));
  EXPECT_EQ(S_OK, TzList_DeleteList(heap.get(), -1, -1, FALSE));
  EXPECT_EQ(E_FAIL, TzList_DeleteList(heap.get(), -1, -1, FALSE));
  ASSERT_EQ(S_OK, TzList_AllocItem(heap.get(), 4, &item));  // freed with the list
}

TEST(SortedListInsert, GrowsInWholeStepsAndRefusesOverflow) {
  List list = makeList();
  for (uintptr_t i = 0; i < 17; ++i) append(list.get(), {i});
  EXPECT_EQ(32, list->capacity);
  list.reset(makeList().release());
  append(list.get(), V(10, 7));
  append(list.get(), V(20, 8));  // 14 slots missing: one step
  EXPECT_EQ(32, list->capacity);
  // A source inside the slots survives the growth that frees them.
  ASSERT_EQ(S_OK, TzList_InsertList(list.get(), 0, list->slots, 30));
  EXPECT_EQ(7u, values(list.get())[9]);
  EXPECT_EQ(8u, values(list.get())[29]);
  EXPECT_EQ(E_OUTOFMEMORY, TzList_InsertList(list.get(), 0, list->slots, INT_MIN));
  List wide = makeList(TZLIST_OPT_ARRAY, 1 << 20, 4, 4);
  EXPECT_EQ(E_OUTOFMEMORY, TzList_GrowAllocated(wide.get(), 4096));
  EXPECT_EQ(4, wide->capacity);
}

TEST(SortedListDelete, ClipsRangesZeroesVacatedSlotsAndShrinks) {
  List list = makeList(0, 4, 40, 4);
  for (uintptr_t i = 1; i <= 40; ++i) append(list.get(), {i});
  EXPECT_EQ(E_FAIL, TzList_DeleteList(list.get(), 40, 1, FALSE));
  EXPECT_EQ(S_OK, TzList_DeleteList(list.get(), 0, 0, TRUE));
  EXPECT_EQ(S_OK, TzList_DeleteList(list.get(), 2, 32, TRUE));  // 34 free: 32 released
  EXPECT_EQ(8, list->capacity);
  EXPECT_EQ(S_OK, TzList_DeleteList(list.get(), 5, 99, FALSE));
  EXPECT_EQ(S_OK, TzList_DeleteList(list.get(), 3, -1, FALSE));
  EXPECT_EQ((V{1, 2, 35}), values(list.get()));
  EXPECT_EQ(0u, static_cast<uintptr_t*>(list->slots)[3]);
  EXPECT_EQ(E_FAIL, TzList_ShrinkAllocated(list.get(), 6));
  EXPECT_EQ(S_OK, TzList_ShrinkAllocated(list.get(), -1));  // 5 free: one step
  EXPECT_EQ(4, list->capacity);
  List array = makeList(TZLIST_OPT_ARRAY, 8);
  ASSERT_EQ(S_OK, TzList_ArrayForceItemCount(array.get(), 40, FALSE));
  EXPECT_EQ(48, array->capacity);
  EXPECT_EQ(S_OK, TzList_ArrayForceItemCount(array.get(), 3, TRUE));  // 45 free: 32 released
  EXPECT_EQ(16, array->capacity);
}

TEST(SortedListMoveRange, MovesBlocksBothWays) {
  struct Case {
    LONG from, to, count;
    V result;
    HRESULT status = S_OK;
  };
  for (const Case& c : {Case{0, 3, 1, {2, 3, 4, 1, 5}},
                        {3, 0, 2, {4, 5, 1, 2, 3}},
                        {1, 3, -1, {1, 4, 5, 2, 3}},
                        {-1, 0, 1, {1, 2, 3, 4, 5}, E_INVALIDARG},
                        {0, 4, 2, {1, 2, 3, 4, 5}, E_FAIL}}) {
    List list = makeList();
    append(list.get(), {1, 2, 3, 4, 5});
    EXPECT_EQ(c.status, TzList_MoveRange(list.get(), c.from, c.to, c.count));
    EXPECT_EQ(c.result, values(list.get())) << c.from << " to " << c.to;
  }
  // 640 bytes do not fit the local buffer.
  List wide = makeList(TZLIST_OPT_ARRAY, 64);
  ASSERT_EQ(S_OK, TzList_ArrayForceItemCount(wide.get(), 12, FALSE));
  for (int i = 0; i < 12; ++i) memset(static_cast<char*>(wide->slots) + i * 64, 'a' + i, 64);
  ASSERT_EQ(S_OK, TzList_MoveRange(wide.get(), 0, 2, 10));
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ("klabcdefghij"[i], static_cast<char*>(wide->slots)[i * 64 + 63]);
}

TEST(SortedListItems, OwnsHeapItemsAndReportsTheirSizes) {
  List heap = makeList(TZLIST_OPT_HEAP | TZLIST_OPT_PRIVATEHEAP);
  LONG at = 7;
  ASSERT_EQ(S_OK, TzList_AllocAndInsertItem(heap.get(), "abcdefg", 8, 5, &at));
  EXPECT_EQ(0, at);
  ASSERT_EQ(S_OK, TzList_AllocAndInsertItem(heap.get(), nullptr, 16, 0, &at));
  void* item = nullptr;
  ASSERT_EQ(S_OK, TzList_AllocItem(heap.get(), 4, &item));
  EXPECT_EQ(E_FAIL, TzList_AllocAndInsertItem(heap.get(), nullptr, 4, 0, &at));
  EXPECT_EQ(-1, at);
  EXPECT_EQ(LONG(84 + heapBlockSize(heap->slots) + 24), TzList_AllocSize(heap.get(), -1));
  ASSERT_EQ(S_OK, TzList_ReAllocItem(heap.get(), 1, 64));
  const char* grown = static_cast<char* const*>(heap->slots)[1];
  EXPECT_STREQ("abcdefg", grown);
  EXPECT_EQ(0, grown[63]);
  EXPECT_EQ(64, TzList_AllocSize(heap.get(), 1));
  EXPECT_EQ(E_FAIL, TzList_ReAllocItem(heap.get(), 2, 8));
  List general = makeList(TZLIST_OPT_HEAP);
  ASSERT_EQ(S_OK, TzList_AllocAndInsertItem(general.get(), nullptr, 40, -1, nullptr));
  const void* block = reinterpret_cast<void*>(values(general.get())[0]);
  EXPECT_EQ(LONG(heapBlockSize(block)), TzList_AllocSize(general.get(), 0));
}

TEST(SortedListItems, MovesItemsBetweenHeapListsInOrder) {
  List from = makeList(TZLIST_OPT_HEAP), to = makeList(TZLIST_OPT_HEAP);
  for (LONG i = 1; i <= 5; ++i) TzList_AllocAndInsertItem(from.get(), &i, 4, -1, nullptr);
  const V blocks = values(from.get());
  EXPECT_EQ(S_OK, TzList_MoveItemsBetweenHeapLists(to.get(), 99, from.get(), 1, 3));
  EXPECT_EQ((V{blocks[1], blocks[2], blocks[3]}), values(to.get()));
  EXPECT_EQ((V{blocks[0], blocks[4]}), values(from.get()));
  EXPECT_EQ(E_FAIL, TzList_MoveItemsBetweenHeapLists(to.get(), 0, from.get(), 1, 2));
  EXPECT_EQ(E_INVALIDARG, TzList_MoveItemsBetweenHeapLists(to.get(), 0, to.get(), 0, 1));
  // Items of a private heap travel as copies: that heap frees only its own blocks, and all of
  // them when its list goes.
  List own = makeList(TZLIST_OPT_HEAP | TZLIST_OPT_PRIVATEHEAP);
  const LONG six = 6;
  TzList_AllocAndInsertItem(own.get(), &six, 4, -1, nullptr);
  EXPECT_EQ(S_OK, TzList_MoveItemsBetweenHeapLists(own.get(), 0, from.get(), 0, -1));
  EXPECT_EQ(S_OK, TzList_DeleteList(own.get(), 0, 1, FALSE));
  EXPECT_EQ(S_OK, TzList_MoveItemsBetweenHeapLists(from.get(), -1, own.get(), 0, -1));
  own.reset();
  EXPECT_EQ(5, *reinterpret_cast<const LONG*>(values(from.get())[0]));
  EXPECT_EQ(6, *reinterpret_cast<const LONG*>(values(from.get())[1]));
}

}  // namespace

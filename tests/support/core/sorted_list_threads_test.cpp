// Threads and records: locked lists under contention, in-place lists and their conversion,
// the owner-thread refusal, and the signature tests on addresses that cannot be read.
#include <algorithm>
#include <thread>

#include "support/core/list_internal.h"
#include "support/platform/this_thread.h"
#include "tests/support/core/sorted_list_helpers.h"

namespace {

using namespace tz::core::test;

// Inserts 4 x 500 distinct values from four threads; every one must arrive.
void insertFromFourThreads(tTZLIST* list) {
  std::vector<std::thread> threads;
  for (uintptr_t t = 0; t < 4; ++t)
    threads.emplace_back([list, t] {
      for (uintptr_t value = t * 500; value < t * 500 + 500; ++value)
        if (list->options & TZLIST_OPT_HEAP)
          TzList_AllocAndInsertItem(list, &value, sizeof value, 0, nullptr);
        else
          TzList_InsertList(list, -1, &value, 1);
    });
  for (auto& thread : threads) thread.join();
}

bool heldElsewhere(tTZLIST* list) {
  bool got = false;
  std::thread([&] {
    if ((got = tz::core::lockOf(list)->tryLock())) tz::core::lockOf(list)->unlock();
  }).join();
  return !got;
}

tTZLIST* sorted;
bool heldDuringSort;
LONG TZ_CALLBACK compareUnderLock(DWORD criteria, const void* a, const void* b) {
  heldDuringSort = heldElsewhere(sorted) && TzList_IsValidIndexSlow(sorted, 0);
  return compareValues(criteria, a, b);
}

TEST(SortedListLocked, SerialisesOperationsFromManyThreads) {
  List list = makeList(TZLIST_OPT_LOCKED);
  insertFromFourThreads(list.get());
  V seen = values(list.get());
  std::sort(seen.begin(), seen.end());
  ASSERT_EQ(2000u, seen.size());
  for (uintptr_t i = 0; i < 2000; ++i) ASSERT_EQ(i, seen[i]);
  List heap = makeList(TZLIST_OPT_LOCKED | TZLIST_OPT_HEAP | TZLIST_OPT_PRIVATEHEAP);
  insertFromFourThreads(heap.get());
  EXPECT_EQ(2000, heap->itemCount);
  // The lock is held across a whole sort, and the callback re-enters it.
  List small = makeList(TZLIST_OPT_LOCKED);
  append(small.get(), {3, 1, 2});
  sorted = small.get();
  EXPECT_EQ(S_OK, TzList_Sort(small.get(), 0, compareUnderLock));
  EXPECT_TRUE(heldDuringSort);
  EXPECT_FALSE(heldElsewhere(small.get()));
}

TEST(SortedListInPlace, ConvertsALockedListWhoseLockStillWorks) {
  tTZLIST* list = nullptr;
  ASSERT_EQ(S_OK, TzList_CreateExZ(&list, 4, 0, 0, TZLIST_OPT_LOCKED | TZLIST_OPT_HEAP, 0, 0, 0));
  ASSERT_EQ(S_OK, TzList_AllocAndInsertItem(list, "item", 5, -1, nullptr));
  tTZLIST record, other;
  EXPECT_EQ(E_INVALIDARG, TzList_ConvertToInPlace(&list, list));
  ASSERT_EQ(S_OK, TzList_ConvertToInPlace(&list, &record));
  ASSERT_FALSE(heldElsewhere(&record));
  insertFromFourThreads(&record);
  EXPECT_STREQ("item", static_cast<char* const*>(record.slots)[2000]);
  list = &record;
  EXPECT_EQ(E_FAIL, TzList_ConvertToInPlace(&list, &other));
  EXPECT_EQ(S_OK, TzList_Destroy(&record));  // freeing the caller's record would fault here
}

TEST(SortedListOwner, RefusesForeignThreadsOnceTheOptionsAreRewritten) {
  List list = makeList();
  tTZLIST* l = list.get();
  append(l, {1, 2});
  l->options &= ~TZLIST_OPT_ANYTHREAD;
  const auto elsewhere = [](auto call) {
    decltype(call()) result{};
    std::thread([&] { result = call(); }).join();
    return result;
  };
  EXPECT_EQ(E_FAIL, elsewhere([l] { return TzList_DeleteList(l, 0, 1, FALSE); }));
  EXPECT_EQ(-1, elsewhere([l] { return TzList_FindSpecificItemRange(l, 0, -1, nullptr); }));
  EXPECT_EQ(FALSE, elsewhere([l] { return TzList_IsValidIndexSlow(l, 0); }));
  EXPECT_EQ(l->ownerThread, elsewhere([l] { return TzList_GetThreadOwner(l); }));
  // Handing the list to another thread shuts this one out.
  EXPECT_EQ(S_OK, TzList_SetThreadOwner(l, elsewhere(tz::platform::currentThreadId)));
  EXPECT_EQ(-1, TzList_GetUserData(l));
  EXPECT_EQ(E_FAIL, TzList_SetThreadOwner(l, 0));
  l->ownerThread = tz::platform::currentThreadId();
  EXPECT_EQ(2, l->itemCount);
}

TEST(SortedListSignature, IsListNeverFaultsAndChecksSizeAndSignature) {
  for (uintptr_t unreadable : {uintptr_t{0}, uintptr_t{16}, uintptr_t{0xFFFFF000u}})
    EXPECT_FALSE(TzList_IsList(reinterpret_cast<void*>(unreadable), 84)) << unreadable;
  List list = makeList();
  EXPECT_TRUE(TzList_IsList(list.get(), 84));
  EXPECT_FALSE(TzList_IsList(list.get(), 80));
  tTZLIST copy = *list;
  copy.signature = 0;
  EXPECT_FALSE(TzList_IsList(&copy, 84));
}

}  // namespace

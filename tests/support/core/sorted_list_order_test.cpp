// Ordering and searching: the exact unstable orders of both sorts, the binary search's probe
// order and insertion index, and sorted insertion into another list.
#include <algorithm>
#include <random>
#include <string>

#include "tests/support/core/sorted_list_helpers.h"

namespace {

using namespace tz::core::test;

struct Tagged {
  LONG key;
  char tag[4];
};

int compareCalls;
LONG TZ_CALLBACK compareKeys(DWORD, const void* a, const void* b) {
  ++compareCalls;
  const LONG x = static_cast<const Tagged*>(a)->key, y = static_cast<const Tagged*>(b)->key;
  return x < y ? -1 : x > y ? 1 : 0;
}

// Sorts items written as "2a1a2b" in an array list (8-byte slots swap word by word).
template <typename Sort>
std::string sortTagged(Sort sort, std::string text) {
  List list = makeList(TZLIST_OPT_ARRAY, sizeof(Tagged));
  for (size_t i = 0; i < text.size(); i += 2) {
    const Tagged item{text[i] - '0', {text[i + 1]}};
    EXPECT_EQ(S_OK, TzList_InsertList(list.get(), -1, &item, 1));
  }
  EXPECT_EQ(S_OK, sort(list.get(), 0, compareKeys));
  std::string out;
  for (const auto* t = static_cast<const Tagged*>(list->slots); out.size() < text.size(); ++t)
    out.append({static_cast<char>('0' + t->key), t->tag[0]});
  return out;
}

TEST(SortedListSort, SelectionAndHeapSortGiveTheirExactUnstableOrders) {
  struct Case {
    const char *input, *selection, *heap;
  };
  for (const Case& c : {Case{"2a1a2b1b2c", "1a1b2b2c2a", "1a1b2b2c2a"},
                        {"3a1a3b2a1b3c2b", "1a1b2a2b3c3b3a", "1b1a2b2a3c3b3a"},
                        {"1a2a1b2b1c2c1d2d", "1d1b1c1a2c2b2d2a", "1d1b1a1c2c2b2d2a"}}) {
    EXPECT_EQ(c.selection, sortTagged(TzList_Sort, c.input)) << c.input;
    EXPECT_EQ(c.heap, sortTagged(TzList_HeapSort, c.input)) << c.input;
  }
  // The heap sort's descent runs to the bottom, and its build leaves position 1 alone.
  compareCalls = 0;
  sortTagged(TzList_HeapSort, "2a1a2b1b2c");
  EXPECT_EQ(11, compareCalls);
}

TEST(SortedListSort, StoresCriteriaAndMatchesStdSortOnRandomData) {
  List list = makeList();
  append(list.get(), {3, 1, 2});
  EXPECT_EQ(S_OK, TzList_Sort(list.get(), 5, nullptr));
  EXPECT_EQ(5u, TzList_GetSortCriteria(list.get()));
  EXPECT_EQ((V{3, 1, 2}), values(list.get()));
  EXPECT_EQ(S_OK, TzList_Sort(list.get(), 5, compareValues));
  EXPECT_EQ((V{1, 2, 3}), values(list.get()));
  for (unsigned seed = 1; seed <= 60; ++seed) {
    std::mt19937 random(seed);
    V data(random() % 300 + 1);
    for (auto& v : data) v = random() % (data.size() / 4 + 2);  // many equal keys
    List list = makeList();
    append(list.get(), data);
    ASSERT_EQ(S_OK, TzList_HeapSort(list.get(), 0, compareValues));
    std::sort(data.begin(), data.end());
    EXPECT_EQ(data, values(list.get())) << "seed " << seed << ", " << data.size() << " items";
  }
}

V probes;
DWORD seenCriteria;
LONG TZ_CALLBACK recordProbe(DWORD criteria, const void* key, const void* item) {
  probes.push_back(reinterpret_cast<uintptr_t>(item));
  seenCriteria = criteria;
  return compareValues(criteria, key, item);
}

TEST(SortedListSearch, BinarySearchProbesInTheDocumentedOrder) {
  List list = makeList();
  append(list.get(), {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  TzList_Sort(list.get(), 42, nullptr);
  const auto find = [&](uintptr_t key, LONG start, LONG count, bool insert, V expected) {
    probes.clear();
    auto* f = insert ? TzList_FindSortedInsertIndexRange : TzList_FindSortedItemRange;
    const LONG index = f(list.get(), reinterpret_cast<void*>(key), start, count, recordProbe);
    EXPECT_EQ(expected, probes) << "key " << key << (insert ? " insert" : " find");
    return index;
  };
  EXPECT_EQ(-1, find(75, 0, -1, false, {50, 80, 60, 70}));
  EXPECT_EQ(42u, seenCriteria);
  EXPECT_EQ(7, find(75, 0, -1, true, {50, 80, 60, 70}));
  EXPECT_EQ(6, find(70, 0, -1, true, {50, 80, 60, 70}));
  EXPECT_EQ(0, find(10, 0, -1, false, {50, 20, 10}));
  EXPECT_EQ(3, find(40, 2, 5, false, {50, 30, 40}));
  EXPECT_EQ(10, find(200, 0, 99, true, {50, 80, 90, 100}));
  EXPECT_EQ(-1, find(60, 10, -1, false, {}));
  EXPECT_EQ(-1, find(60, 11, -1, true, {}));
  EXPECT_EQ(0, find(60, 10, -1, true, {}));
  list.reset(makeList().release());
  append(list.get(), {1, 2, 2, 2, 2, 2, 3});  // the first equal probe wins, not slot 1
  EXPECT_EQ(3, find(2, 0, -1, false, {2}));
}

LONG TZ_CALLBACK matchValue(void* param, const void* item) {
  return *static_cast<uintptr_t*>(param) != reinterpret_cast<uintptr_t>(item);
}

TEST(SortedListSearch, FindsSpecificAndMatchingItemsInRanges) {
  List list = makeList();
  append(list.get(), {4, 7, 4, 9});
  const auto* four = reinterpret_cast<const void*>(4);
  EXPECT_EQ(0, TzList_FindSpecificItemRange(list.get(), -3, -1, four));
  EXPECT_EQ(2, TzList_FindSpecificItemRange(list.get(), 1, 99, four));
  uintptr_t nine = 9;
  EXPECT_EQ(-1, TzList_FindItemRange(list.get(), 0, 3, &nine, matchValue));
  EXPECT_EQ(3, TzList_FindItemRange(list.get(), 0, -1, &nine, matchValue));
  List array = makeList(TZLIST_OPT_ARRAY, 6);
  ASSERT_EQ(S_OK, TzList_InsertList(array.get(), 0, "abcde\0\0\0abcdx\0\0", 2));
  EXPECT_EQ(1, TzList_FindSpecificItemRange(array.get(), 0, -1, "abcdx\0\0"));
  EXPECT_EQ(-1, TzList_FindSpecificItemRange(array.get(), 0, -1, "abcdy\0\0"));
}

TEST(SortedListSortTo, InsertsEachSourceItemAtItsSortedPlace) {
  List source = makeList(), destination = makeList();
  append(source.get(), {5, 1, 4, 1, 3});
  append(destination.get(), {2});
  EXPECT_EQ(S_OK, TzList_SortTo(destination.get(), source.get(), 9, compareValues));
  EXPECT_EQ((V{1, 1, 2, 3, 4, 5}), values(destination.get()));
  EXPECT_EQ(9u, TzList_GetSortCriteria(destination.get()));
  EXPECT_EQ(E_INVALIDARG, TzList_SortTo(source.get(), source.get(), 0, compareValues));
  // Items narrower than the destination's slots would be over-read: they are skipped.
  List wide = makeList(TZLIST_OPT_ARRAY, 8);
  EXPECT_EQ(S_OK, TzList_SortTo(wide.get(), source.get(), 0, compareValues));
  EXPECT_EQ(0, wide->itemCount);
}

}  // namespace

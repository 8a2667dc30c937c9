// Helpers shared by the list suites: an owning handle, slot values and a numeric compare.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tz/list.h"

namespace tz::core::test {

using V = std::vector<uintptr_t>;
struct Destroy {
  void operator()(tTZLIST* list) const { EXPECT_EQ(S_OK, TzList_Destroy(list)); }
};
using List = std::unique_ptr<tTZLIST, Destroy>;

inline List makeList(DWORD options = 0, LONG itemSize = 4, LONG initial = 0, LONG grow = 0) {
  tTZLIST* list = nullptr;
  EXPECT_EQ(S_OK, TzList_CreateExZ(&list, itemSize, initial, grow, options, 0, 0, 0));
  return List(list);
}

inline V values(const tTZLIST* list) {
  auto* slots = static_cast<const uintptr_t*>(list->slots);
  return V(slots, slots + list->itemCount);
}

inline void append(tTZLIST* list, V v) {
  ASSERT_EQ(S_OK, TzList_InsertList(list, -1, v.data(), static_cast<LONG>(v.size())));
}

inline LONG TZ_CALLBACK compareValues(DWORD, const void* a, const void* b) {
  const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace tz::core::test

// The record's plain fields: user data, options, sort criteria, owner thread, and the index
// and creation-site queries.
#include <atomic>

#include "support/core/list_internal.h"
#include "support/platform/this_thread.h"

using namespace tz::core;

static_assert(std::atomic_ref<LONG>::is_always_lock_free);

// The user-data word is read and swapped without the lock, atomically.
LONG TZ_STDCALL TzList_GetUserData(tTZLIST* list) {
  if (checkAccess(list) != Access::Granted) return -1;
  return std::atomic_ref<LONG>(list->userData).load();
}

LONG TZ_STDCALL TzList_SetUserData(tTZLIST* list, LONG value) {
  if (checkAccess(list) != Access::Granted) return -1;
  return std::atomic_ref<LONG>(list->userData).exchange(value);
}

// Plain reads for any thread, so that a refused caller can learn why.
DWORD TZ_STDCALL TzList_GetCreateOptions(tTZLIST* list) {
  return isLive(list) ? list->options : 0;
}

DWORD TZ_STDCALL TzList_GetSortCriteria(tTZLIST* list) {
  return isLive(list) ? list->sortCriteria : 0;
}

DWORD TZ_STDCALL TzList_GetThreadOwner(tTZLIST* list) {
  return isLive(list) ? list->ownerThread : 0;
}

HRESULT TZ_STDCALL TzList_SetThreadOwner(tTZLIST* list, DWORD threadId) {
  ListGuard guard(list);
  if (!guard.granted()) return guard.refusal();
  list->ownerThread = threadId != 0 ? threadId : tz::platform::currentThreadId();
  return S_OK;
}

LONG TZ_STDCALL TzList_GetFileAndLine(tTZLIST*, WCHAR* buffer, LONG) {
  if (buffer != nullptr) buffer[0] = u'\0';
  return -1;
}

BOOL TZ_STDCALL TzList_IsValidIndexSlow(tTZLIST* list, LONG index) {
  ListGuard guard(list);
  if (!guard.granted()) return FALSE;
  return index >= 0 && index < list->itemCount;
}

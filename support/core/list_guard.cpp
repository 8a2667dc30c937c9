// The entry every list operation shares: refusal of a dead list or a foreign thread, and the
// lock of a locked list held for the operation's whole length.
#include "support/core/list_internal.h"
#include "support/platform/this_thread.h"

namespace tz::core {

Access checkAccess(const tTZLIST* list) {
  if (!isLive(list)) return Access::Dead;
  const DWORD open = TZLIST_OPT_LOCKED | TZLIST_OPT_ANYTHREAD;
  if ((list->options & open) == 0 && list->ownerThread != platform::currentThreadId())
    return Access::Foreign;
  return Access::Granted;
}

ListGuard::ListGuard(tTZLIST* list, bool checkOwner)
    : access_(checkOwner     ? checkAccess(list)
              : isLive(list) ? Access::Granted
                             : Access::Dead) {
  if (access_ != Access::Granted || (list->options & TZLIST_OPT_LOCKED) == 0) return;
  lock_ = lockOf(list);
  lock_->lock();
}

void ListGuard::leave() {
  if (lock_ == nullptr) return;
  lock_->unlock();
  lock_ = nullptr;
}

}  // namespace tz::core

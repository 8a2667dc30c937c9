// What the backends' threads share: the levels' check and moving a thread.
#include "support/platform/thread.h"

#include <utility>

namespace tz::platform {

bool isThreadPriority(int32_t value) {
  switch (static_cast<ThreadPriority>(value)) {
    case ThreadPriority::TimeCritical:
    case ThreadPriority::Highest:
    case ThreadPriority::AboveNormal:
    case ThreadPriority::Normal:
    case ThreadPriority::BelowNormal:
    case ThreadPriority::Lowest:
    case ThreadPriority::Idle:
      return true;
  }
  return false;
}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Thread old(std::move(*this));
    state_ = std::exchange(other.state_, nullptr);
  }
  return *this;
}

}  // namespace tz::platform

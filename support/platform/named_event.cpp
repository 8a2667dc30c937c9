// What the backends' events share: moving one.
#include "support/platform/named_event.h"

#include <utility>

namespace tz::platform {

NamedEvent::NamedEvent(NamedEvent&& other) noexcept
    : record_(std::exchange(other.record_, nullptr)), handle_(std::exchange(other.handle_, -1)) {}

NamedEvent& NamedEvent::operator=(NamedEvent&& other) noexcept {
  if (this != &other) {
    close();
    record_ = std::exchange(other.record_, nullptr);
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

}  // namespace tz::platform

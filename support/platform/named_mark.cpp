// What the backends' marks share: moving a hold.
#include "support/platform/named_mark.h"

#include <utility>

namespace tz::platform {

NamedMark::NamedMark(NamedMark&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

NamedMark& NamedMark::operator=(NamedMark&& other) noexcept {
  if (this != &other) {
    release();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

}  // namespace tz::platform

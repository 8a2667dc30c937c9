// What the backends' marks share: moving a hold and a watch, and taking up a watch.
#include "support/platform/named_mark.h"

#include <utility>

namespace tz::platform {

NamedMark::NamedMark(NamedMark&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      lockHandle_(std::exchange(other.lockHandle_, -1)) {}

NamedMark& NamedMark::operator=(NamedMark&& other) noexcept {
  if (this != &other) {
    release();
    handle_ = std::exchange(other.handle_, -1);
    lockHandle_ = std::exchange(other.lockHandle_, -1);
  }
  return *this;
}

MarkWatch::MarkWatch(MarkWatch&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), generation_(std::exchange(other.generation_, 0)) {}

MarkWatch& MarkWatch::operator=(MarkWatch&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    generation_ = std::exchange(other.generation_, 0);
  }
  return *this;
}

MarkWatchResult MarkWatch::adopt(int32_t handle, int64_t generation) {
  MarkWatchResult result{PlatformError::Success, MarkWatch()};
  result.watch.handle_ = handle;
  result.watch.generation_ = generation;
  if (!result.watch.held()) {
    result.watch.close();
    result.error = PlatformError::FileNotFound;
  }
  return result;
}

}  // namespace tz::platform

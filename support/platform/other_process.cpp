// What the backends share: moving a held process.
#include "support/platform/other_process.h"

#include <utility>

namespace tz::platform {

OtherProcess::OtherProcess(OtherProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), id_(std::exchange(other.id_, 0)) {}

OtherProcess& OtherProcess::operator=(OtherProcess&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

}  // namespace tz::platform

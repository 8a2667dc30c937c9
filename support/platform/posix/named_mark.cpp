// A mark is an empty object of the named-object namespace: holding it is holding the
// object's shared lock, and the namespace already treats an object without live lock
// holders as gone.
#include "support/platform/named_mark.h"

#include <utility>

#include "support/platform/posix/named_object_path.h"

namespace tz::platform {

NamedMark::NamedMark(NamedMark&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

NamedMark& NamedMark::operator=(NamedMark&& other) noexcept {
  if (this != &other) {
    release();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

MarkHoldResult NamedMark::hold(std::string_view name) {
  const posix::ObjectHandle object = posix::createObject(posix::ObjectKind::Mark, name, 0);
  MarkHoldResult result{object.error, NamedMark(), object.existed};
  result.mark.handle_ = object.fd;
  return result;
}

bool NamedMark::isHeld(std::string_view name) {
  const posix::ObjectHandle object = posix::openObject(posix::ObjectKind::Mark, name);
  if (object.error != PlatformError::Success) return false;
  posix::closeObject(object.fd);
  return true;
}

void NamedMark::release() {
  posix::closeObject(std::exchange(handle_, -1));
}

}  // namespace tz::platform

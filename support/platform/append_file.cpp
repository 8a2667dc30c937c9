// What AppendFile does alike on every system.
#include "support/platform/append_file.h"

#include <utility>

namespace tz::platform {

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

}  // namespace tz::platform

// Descriptors as a launched child might inherit them.
#pragma once

#include <fcntl.h>
#include <unistd.h>

namespace tz::test {

// A copy of standard error that a child would inherit (no close-on-exec), numbered above the
// launcher's own channel; -1 on failure.
inline long makeInheritableHandle() {
  return fcntl(STDERR_FILENO, F_DUPFD, 20);
}

inline void closeHandleNumber(long number) {
  close(static_cast<int>(number));
}

inline bool handleIsOpen(long number) {
  return fcntl(static_cast<int>(number), F_GETFD) != -1;
}

}  // namespace tz::test

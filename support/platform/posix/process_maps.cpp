#include "support/platform/posix/process_maps.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace tz::platform {

bool readProcessMaps(MapsParser& parser) {
  const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char chunk[1024];
  bool going = true;
  while (going) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    going = parser.feed(chunk, static_cast<size_t>(got));
  }
  close(fd);
  if (going) parser.finish();
  return true;
}

}  // namespace tz::platform

// A file opened for appending, as a log keeps it: every write lands at the end, whatever other
// writers did meanwhile, and sizes are 64-bit, so files of 2 GiB and more open and grow. Nothing
// is buffered: a write is one system call and its bytes are in the file when it returns. Paths
// are UTF-8. Not for the audio path.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct AppendFileResult;

class AppendFile {
 public:
  AppendFile() = default;
  AppendFile(AppendFile&& other) noexcept;
  AppendFile& operator=(AppendFile&& other) noexcept;
  ~AppendFile() { close(); }

  // Opens the regular file at path for appending, creating it (0666 less the umask) when it is
  // missing. FileNotFound or PathNotFound when a folder on the way is missing or not a folder;
  // AccessDenied when permissions refuse, or when the path names anything but a regular file
  // (a folder, a device or a pipe: renaming those away to rotate must never happen);
  // InvalidName when the path is too long.
  static AppendFileResult open(std::string_view path);

  bool isOpen() const { return handle_ != -1; }

  // Appends bytes at the end in one write; a write the system cuts short goes on with the
  // rest. Writers that append one line per call never interleave within a line. InvalidHandle
  // when not open; otherwise the system's error (a full disk, say), some bytes written.
  PlatformError append(std::string_view bytes);

  // The file's size in bytes as the file system has it, whoever wrote it (not a stream
  // position); -1 when not open.
  int64_t size() const;

  // True when path names this very file now: false once it was renamed or removed.
  bool isNamedBy(std::string_view path) const;

  void close();

 private:
  intptr_t handle_ = -1;  // the system's handle or descriptor
};

struct AppendFileResult {
  PlatformError error;
  AppendFile file;
};

// Gives the file at `from` the name `to` in one step. A file already at `to` is replaced
// atomically: `to` names the old or the new file at every moment, never nothing. A folder at
// `to` is not replaced (AccessDenied or InvalidParameter).
PlatformError renameFile(std::string_view from, std::string_view to);

}  // namespace tz::platform

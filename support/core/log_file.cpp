// Rotation renames the full file over the previous copy in one step, so at every moment the
// previous name holds either the older copy or the newer one, never nothing.
#include "support/core/log_file.h"

#include <cstdio>
#include <mutex>
#include <new>
#include <utility>

#include "support/platform/recursive_lock.h"
#include "support/platform/text_encoding.h"

namespace tz::core {
namespace {

// Copies of one log rotate the same file, each under its own object lock; this one keeps their
// check-and-rename steps apart, so that no copy renames a fresh file that another copy has just
// started over the content it had just moved away.
constinit platform::RecursiveLock rotationLock;

}  // namespace

LogFile::LogFile(platform::AppendFile file, std::string path)
    : file_(std::move(file)), path_(std::move(path)), previous_(path_ + ".previous") {}

HRESULT LogFile::open(std::u16string_view path, std::unique_ptr<LogFile>& file) noexcept {
  file.reset();
  try {
    std::string name = platform::utf8FromUtf16(path);
    platform::AppendFileResult opened = platform::AppendFile::open(name);
    if (!platform::succeeded(opened.error)) return TZ_E_FILENOTOPENED;
    file.reset(new LogFile(std::move(opened.file), std::move(name)));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

LogWriteResult LogFile::write(std::string_view line, int32_t maximumSize) noexcept {
  bool pastMaximum = false;
  if (maximumSize > 0 && file_.size() >= maximumSize) {
    try {
      const std::lock_guard guard(rotationLock);
      const Rotation rotation = rotate();
      if (rotation == Rotation::ReopenFailed) return LogWriteResult::Closed;
      pastMaximum = rotation == Rotation::Refused;
    } catch (const std::bad_alloc&) {
      return LogWriteResult::OutOfMemory;
    }
  }
  file_.append(line);
  return pastMaximum ? LogWriteResult::WrittenPastMaximum : LogWriteResult::Written;
}

LogFile::Rotation LogFile::rotate() {
  // Another writer of this file (a copy of the log, another process) may have rotated it
  // already: the name then holds a fresh file, which belongs over nobody's previous copy.
  if (!file_.isNamedBy(path_)) return reopen();
  if (!rotating_) return Rotation::Refused;
  const platform::PlatformError error = platform::renameFile(path_, previous_);
  if (!platform::succeeded(error)) {
    rotating_ = false;
    std::fprintf(stderr, "tz: the log %s is no longer rotated: renaming it to %s failed (%u)\n",
                 path_.c_str(), previous_.c_str(), static_cast<unsigned>(error));
    return Rotation::Refused;
  }
  return reopen();
}

LogFile::Rotation LogFile::reopen() {
  platform::AppendFileResult opened = platform::AppendFile::open(path_);
  if (!platform::succeeded(opened.error)) {
    file_.close();
    return Rotation::ReopenFailed;
  }
  file_ = std::move(opened.file);
  return Rotation::Done;
}

}  // namespace tz::core

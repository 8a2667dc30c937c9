// The exported log class: its record, its lock and its lifecycle. The file and the lines are
// LogFile's and composeLogLine's; this file holds what the record and the lock decide.
#include "tz/log.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <utility>

#include "support/core/log_file.h"
#include "support/core/log_line.h"
#include "support/platform/recursive_lock.h"
#include "support/platform/text_encoding.h"

namespace {

using tz::core::LogFile;
using tz::platform::RecursiveLock;

// offsetof on a class with a virtual table is only conditionally supported, and g++ warns; it
// does support it, and these offsets are the binary contract.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct LayoutCheck : CLog {
  static void check() {
    static_assert(offsetof(LayoutCheck, active_) == 4 && offsetof(LayoutCheck, file_) == 8);
    static_assert(offsetof(LayoutCheck, flags_) == 12 && offsetof(LayoutCheck, maximumSize_) == 16);
    static_assert(offsetof(LayoutCheck, fileName_) == 20);
    static_assert(offsetof(LayoutCheck, previousName_) == 540);
    static_assert(offsetof(LayoutCheck, lock_) == 1060);
  }
};
#pragma GCC diagnostic pop
static_assert(sizeof(RecursiveLock) <= 24 && alignof(RecursiveLock) <= 4);
static_assert(sizeof(LogFile*) == 4 && sizeof(CLog::LOGFLAGS) == 4);

constexpr std::u16string_view kPreviousSuffix = u".previous";
// The longest path whose previous name still fits the record with its terminator.
constexpr size_t kMaxPathLength = 260 - 1 - kPreviousSuffix.size();

// The lock is logically mutable: a copy locks its const source.
RecursiveLock& lockIn(const BYTE* storage) {
  return *std::launder(reinterpret_cast<RecursiveLock*>(const_cast<BYTE*>(storage)));
}

// The caller's text up to its terminator, read no further than limit characters.
std::u16string_view boundedText(const WCHAR* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return {text, length};
}

void storeNames(std::u16string_view path, WCHAR* fileName, WCHAR* previousName) {
  path.copy(fileName, path.size());
  fileName[path.size()] = 0;
  path.copy(previousName, path.size());
  kPreviousSuffix.copy(previousName + path.size(), kPreviousSuffix.size());
  previousName[path.size() + kPreviousSuffix.size()] = 0;
}

void closeFile(BOOL& active, LogFile*& file) {
  active = FALSE;
  delete std::exchange(file, nullptr);
}

HRESULT statusOf(tz::core::LogWriteResult result) {
  switch (result) {
    case tz::core::LogWriteResult::Written:
      return S_OK;
    case tz::core::LogWriteResult::WrittenPastMaximum:
      return S_FALSE;
    case tz::core::LogWriteResult::Closed:
      return TZ_E_FILENOTOPENED;
    case tz::core::LogWriteResult::OutOfMemory:
      break;
  }
  return E_OUTOFMEMORY;
}

// Formats and writes one line; never throws.
tz::core::LogWriteResult writeLine(LogFile& file, uint32_t flags, int32_t maximumSize,
                                   const tz::core::LogLineSource& source, const WCHAR* format,
                                   va_list args) noexcept {
  try {
    tz::core::VaListArguments arguments(args);
    return file.write(tz::core::composeLogLine(flags, source, format, arguments), maximumSize);
  } catch (const std::bad_alloc&) {
    return tz::core::LogWriteResult::OutOfMemory;
  }
}

}  // namespace

CLog::CLog()
    : active_(FALSE), file_(nullptr), flags_(), maximumSize_(-1), fileName_(), previousName_() {
  std::memset(lock_, 0, sizeof lock_);
  new (lock_) RecursiveLock();
}

CLog::CLog(const CLog& other) : CLog() {
  *this = other;
}

CLog& CLog::operator=(const CLog& other) {
  if (this == &other) return *this;
  // One lock at a time: two threads assigning two logs to each other cannot deadlock.
  BOOL active;
  LOGFLAGS flags;
  int32_t maximumSize;
  WCHAR fileName[260], previousName[260];
  {
    const std::lock_guard guard(lockIn(other.lock_));
    active = other.active_;
    flags = other.flags_;
    maximumSize = other.maximumSize_;
    std::memcpy(fileName, other.fileName_, sizeof fileName);
    std::memcpy(previousName, other.previousName_, sizeof previousName);
  }
  const std::lock_guard guard(lockIn(lock_));
  closeFile(active_, file_);
  flags_ = flags;
  maximumSize_ = maximumSize;
  std::memcpy(fileName_, fileName, sizeof fileName_);
  std::memcpy(previousName_, previousName, sizeof previousName_);
  std::unique_ptr<LogFile> file;
  if (active && SUCCEEDED(LogFile::open(boundedText(fileName_, kMaxPathLength), file))) {
    file_ = file.release();
    active_ = TRUE;
  }
  return *this;
}

CLog::~CLog() {
  Shutdown();
}

HRESULT CLog::Init(const WCHAR* path, LOGFLAGS flags, int maximumSize) {
  if (path == nullptr || flags == 0) return E_INVALIDARG;
  const std::u16string_view name = boundedText(path, kMaxPathLength + 1);
  if (name.size() > kMaxPathLength || !tz::platform::isWellFormedUtf16(name)) return E_INVALIDARG;
  const std::lock_guard guard(lockIn(lock_));
  std::unique_ptr<LogFile> file;
  if (const HRESULT status = LogFile::open(name, file); FAILED(status)) return status;
  delete std::exchange(file_, file.release());
  storeNames(name, fileName_, previousName_);
  flags_ = flags;
  maximumSize_ = maximumSize;
  active_ = TRUE;
  return S_OK;
}

HRESULT CLog::Write(LOGFLAGS level, const WCHAR* sourceFile, int line, const WCHAR* format, ...) {
  const std::lock_guard guard(lockIn(lock_));
  if (!active_ || file_ == nullptr) return TZ_E_NOTINITIALIZED;
  if ((flags_ & level & 0xFFFF) == 0) return S_OK;
  if (format == nullptr) return E_INVALIDARG;
  va_list args;
  va_start(args, format);
  const HRESULT status =
      statusOf(writeLine(*file_, flags_, maximumSize_, {level, sourceFile, line}, format, args));
  va_end(args);
  if (status == TZ_E_FILENOTOPENED) closeFile(active_, file_);
  return status;
}

void CLog::Shutdown() {
  const std::lock_guard guard(lockIn(lock_));
  closeFile(active_, file_);
}

const WCHAR* CLog::GetLogFileName() const {
  return fileName_;
}

// The exported log class: appends tagged, optionally time-stamped lines to a text file, filters
// them by level and keeps the file below a size by renaming it to one ".previous" copy.
#pragma once

#include <cstdint>

#include "tz/export.h"
#include "tz/win_types.h"

namespace tz::core {
class LogFile;  // the library's open log file
}  // namespace tz::core

// The file is UTF-8 with "\n" line ends. A line is the level's tag ("ERR ", "WARN", "INFO",
// "DBG ", "????" for any other level), then with LOG_TIMESTAMP " yyyy-mm-dd hh:mm:ss " in local
// time, with LOG_SOURCE the source file's name (after its last '\' or '/', at most 255
// characters) right-aligned in 15 and the line number in 4 as "name(line): ", then the message, cut
// at 1023 UTF-16 characters (never within a surrogate pair), and "\n". A line reaches the file in
// one write, so lines of other threads, other copies and other processes never interleave within a
// line.
//
// Threads: one object serves all threads; every member but GetLogFileName holds the object's
// lock throughout, so writes from different threads keep whole lines in call order. Not for
// the audio path: a write allocates, formats and makes system calls.
//
// Statuses: S_OK; E_INVALIDARG for a null path or format, zero flags, or a path whose
// ".previous" name does not fit (more than 250 characters) or that is not well-formed UTF-16,
// the object left as it was; TZ_E_FILENOTOPENED when the file cannot be opened;
// TZ_E_NOTINITIALIZED for a write to an inactive log; E_OUTOFMEMORY, nothing written;
// S_FALSE for a line written to a file that is past its maximum size but could not be rotated.
class TZ_VISIBLE CLog {
 public:
  enum LOGFLAGS : uint32_t {
    LOG_ERROR = 0x00001,
    LOG_WARNING = 0x00002,
    LOG_INFO = 0x00004,
    LOG_DEBUG = 0x00008,
    LOG_TIMESTAMP = 0x10000,  // each line carries the local date and time
    LOG_SOURCE = 0x20000,     // each line carries the source file's name and line
  };
  friend constexpr LOGFLAGS operator|(LOGFLAGS a, LOGFLAGS b) {
    return static_cast<LOGFLAGS>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
  }

  // Inactive, no names, maximum size -1.
  TZ_MEMBER CLog();
  // A copy never shares the original's file or lock: a copy of an active log opens the same
  // file again for appending with its own lock (and is inactive when that fails); flags,
  // maximum size and names are copied. Assignment first shuts this log down, then does the
  // same; assigning a log to itself changes nothing.
  TZ_MEMBER CLog(const CLog& other);
  TZ_MEMBER CLog& operator=(const CLog& other);
  // Shuts the log down. No other thread may be using it.
  TZ_MEMBER virtual ~CLog();

  // Opens path (at most 250 characters) for appending, creating it when missing, and keeps
  // flags (levels in the low 16 bits) and the maximum size in bytes (0 or less: never
  // rotate). A log that was active switches to the new file: the old one is closed once the
  // new one is open. On any failure the object is left as it was, still writing to its old
  // file when it was active.
  TZ_MEMBER HRESULT Init(const WCHAR* path, LOGFLAGS flags, int maximumSize);

  // Writes one line when (flags & level & 0xFFFF) is not 0, and S_OK without writing when it
  // is. format and its arguments follow the library's formatted print ("%s" wide text). Before
  // the line goes out, a file holding at least the maximum size (as the file system counts its
  // bytes) is renamed over the ".previous" name in one step and a fresh file is opened. When
  // that rename fails, nothing is lost: the line goes to the current file, the log stops
  // rotating until the next Init, says so once on stderr, and every line written past the
  // maximum returns S_FALSE. When the fresh file cannot be opened, the log becomes inactive and
  // the result is TZ_E_FILENOTOPENED, this line unwritten. Errors of the output itself (a full
  // disk) are not reported. sourceFile may be null (written as "(null)").
  TZ_MEMBER HRESULT Write(LOGFLAGS level, const WCHAR* sourceFile, int line, const WCHAR* format,
                          ...);

  // Inactive, the file closed; Init may open one again.
  TZ_MEMBER void Shutdown();

  // The path given to the last successful Init (empty before). Takes no lock: the text may
  // change under a concurrent Init.
  TZ_MEMBER const WCHAR* GetLogFileName() const;

 protected:
  // The record as the original lays it out; a derived class may read it, and changes it only
  // through the members above.
  BOOL active_;              // 1 while the file is open and writable
  tz::core::LogFile* file_;  // the open file, or null
  LOGFLAGS flags_;           // levels written and decorations
  int32_t maximumSize_;      // bytes after which the file is rotated
  WCHAR fileName_[260];      // the file's path, terminated
  WCHAR previousName_[260];  // the path with ".previous" appended, terminated
  BYTE lock_[24];            // the object's lock
};

static_assert(sizeof(CLog) == 1084 && alignof(CLog) == 4);

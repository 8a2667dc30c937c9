// The open file behind a CLog: appends whole lines, and before a line renames a file that has
// grown to the maximum over its ".previous" name and starts a fresh one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "support/platform/append_file.h"
#include "tz/win_types.h"

namespace tz::core {

enum class LogWriteResult {
  Written,
  WrittenPastMaximum,  // due for rotation, but the rename failed now or before
  Closed,              // the fresh file could not be opened: nothing written, the file closed
  OutOfMemory,         // nothing written
};

class LogFile {
 public:
  // Opens path for appending, creating it when missing: S_OK and the file, or
  // TZ_E_FILENOTOPENED or E_OUTOFMEMORY and null.
  static HRESULT open(std::u16string_view path, std::unique_ptr<LogFile>& file) noexcept;

  // Appends line; first, when maximumSize is above 0 and the file holds at least that many
  // bytes, rotates it.
  LogWriteResult write(std::string_view line, int32_t maximumSize) noexcept;

 private:
  LogFile(platform::AppendFile file, std::string path);
  enum class Rotation { Done, Refused, ReopenFailed };
  Rotation rotate();
  Rotation reopen();

  platform::AppendFile file_;
  std::string path_;      // UTF-8
  std::string previous_;  // path_ with ".previous" appended
  bool rotating_ = true;  // false once a rename failed: the file then only grows
};

}  // namespace tz::core

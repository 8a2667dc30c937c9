// The text of one log line, and the clock its time stamps read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/core/format_arguments.h"
#include "support/platform/local_time.h"

namespace tz::core {

// Where a line comes from, as the caller of CLog::Write gives it.
struct LogLineSource {
  uint32_t level;
  const char16_t* sourceFile;  // may be null
  int32_t line;
};

constexpr size_t kLogMessageCapacity = 1024;  // 1023 characters and the terminator

// The line in UTF-8 with its "\n": the level's tag, the time stamp and the source as flags ask,
// then the message formatted from format and args, cut at 1023 characters and at its first
// terminator. Throws std::bad_alloc.
std::string composeLogLine(uint32_t flags, const LogLineSource& source, std::u16string_view format,
                           FormatArguments& args);

using LocalTimeSource = platform::LocalTime (*)();
// Puts in the clock that time stamps read; null puts the system's back. For tests.
void setLogClockForTesting(LocalTimeSource clock);

}  // namespace tz::core

// The pieces of the crash report and the hex dumps: 8-bit text written line by line, a line
// begun only while 50 characters of the buffer remain, and every byte shown read through the
// memory probe. Nothing here allocates, locks or reaches the locale, since a report is written
// after a fault, possibly inside a signal handler.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/core/narrow_sink.h"
#include "support/platform/loaded_modules.h"
#include "support/platform/thread_stack.h"
#include "tz/exception_record.h"

namespace tz::core {

class ReportWriter : public NarrowSink {
 public:
  // Longer than any dump line, so a dump line begun is a dump line finished.
  static constexpr size_t kLineReserve = 50;

  using NarrowSink::NarrowSink;

  // True while a line may begin; once fewer than kLineReserve characters remain the report
  // ends there, and every later line is refused too.
  bool startLine() {
    if (remaining() < kLineReserve) ended_ = true;
    return !ended_;
  }

 private:
  bool ended_ = false;
};

// Hex dumps: count bytes at address, 8 a line with their characters; count words, 4 a line.
void dumpBytes(ReportWriter& out, uintptr_t address, size_t count);
void dumpWords(ReportWriter& out, uintptr_t address, size_t count);

// " %p: " with lead in place of the first space.
void writeLineAddress(ReportWriter& out, uintptr_t address, char lead = ' ');

// The word at address, through the probe; false when it is unreadable.
bool readWord(uintptr_t address, uint32_t& value);

// The exception's name ("access violation"), or "Unknown Type".
const char* exceptionName(DWORD code);

// The stack section after its heading: the words from esp with the modules they point into,
// the scan for further module addresses up the stack, and the words just below its end.
void writeStackDump(ReportWriter& out, uintptr_t esp, const platform::StackRegion& stack,
                    const platform::ModuleMap& modules);

}  // namespace tz::core

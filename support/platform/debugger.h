// Whether a debugger is attached to this process, so that a crash can be left to it.
#pragma once

#include <cstddef>

namespace tz::platform {

// Decided at the first call and remembered for the life of the process, as the original
// platform's check is looked up once. No allocation, no lock; safe in a signal handler.
bool debuggerAttached();

// The answer of a process status text ("Name:\t...\nTracerPid:\t0\n..."): true when its
// TracerPid line names a tracer. A missing or malformed line counts as none.
bool tracedByStatus(const char* text, size_t length);

}  // namespace tz::platform

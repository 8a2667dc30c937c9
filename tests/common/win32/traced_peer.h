// A peer test run under a debugger: a child that this process debugs, as a debugger would.
// Declared without windows.h (traced_peer.cpp has it), so that tests using the library's own
// records of the system's types can include this.
#pragma once

#include <filesystem>
#include <string>

namespace tz::test {

// Runs the peer test "Suite.Test" debugged, its output in `out`; every exception but the
// loader's first breakpoint is passed on to the child's own handlers. Its exit code; 77 when it
// cannot be debugged here, -1 when it outlives a minute.
int runTraced(const std::string& test, const std::filesystem::path& out);

}  // namespace tz::test

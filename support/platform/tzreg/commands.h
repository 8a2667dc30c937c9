// The three tzreg operations. Each writes its output to stdout and an error to stderr as one
// line, and returns the exit status: 0 on success, 1 otherwise.
#pragma once

#include "support/platform/tzreg/command_line.h"

namespace tz::tzreg {

int runAdd(const CommandLine& line);
int runQuery(const CommandLine& line);
int runDelete(const CommandLine& line);

}  // namespace tz::tzreg

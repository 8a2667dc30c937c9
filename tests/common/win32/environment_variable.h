// Setting and removing an environment variable of the test's own process. The C runtime's
// copy is what getenv reads, and _putenv_s updates the system's block as well.
#pragma once

#include <stdlib.h>

namespace tz::test {

inline void setEnvironmentVariable(const char* name, const char* value) {
  _putenv_s(name, value);
}

inline void removeEnvironmentVariable(const char* name) {
  _putenv_s(name, "");
}

}  // namespace tz::test

// Setting and removing an environment variable of the test's own process.
#pragma once

#include <stdlib.h>

namespace tz::test {

inline void setEnvironmentVariable(const char* name, const char* value) {
  setenv(name, value, 1);
}

inline void removeEnvironmentVariable(const char* name) {
  unsetenv(name);
}

}  // namespace tz::test

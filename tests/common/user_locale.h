// Switches the user's locale for the library's number and time text: the locale variables are
// cleared, LANG names the locale, and the library reads its settings again.
#pragma once

#include <stdlib.h>

#include "environment_variable.h"

#include "support/time/locale_separators.h"

namespace tz::test {

inline void useLocale(const char* name) {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY"})
    removeEnvironmentVariable(variable);
  setEnvironmentVariable("LANG", name);
  tz::time::rereadLocaleSeparatorsForTest();
}

}  // namespace tz::test

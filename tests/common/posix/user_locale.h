// Switches the user's locale for the library's number and time text: the locale variables are
// cleared, LANG names the locale, and the library reads its settings again.
#pragma once

#include <stdlib.h>

#include <initializer_list>

#include "environment_variable.h"

#include "support/time/locale_separators.h"
#include "tests/common/locale_folder.h"

namespace tz::test {

// What a suite that switches locales holds for its life: the named locales ("de_DE"), compiled
// into a private folder, so that the machine need not have them installed.
class SuiteLocales {
 public:
  explicit SuiteLocales(std::initializer_list<const char*> names) : folder_(names) {}

 private:
  LocaleFolder folder_;
};

inline void useLocale(const char* name) {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY"})
    removeEnvironmentVariable(variable);
  setEnvironmentVariable("LANG", name);
  tz::time::rereadLocaleSeparatorsForTest();
}

}  // namespace tz::test

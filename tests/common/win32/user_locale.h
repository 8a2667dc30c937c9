// Switches the user's locale for the library's number and time text. The user's locale is the
// system's setting here, not the environment's: the named locale's separators and grouping
// become the user's own regional choices, and the library reads its settings again. The choices
// found first come back when the program ends. The choices belong to the user, not the process,
// so test programs that switch locales take the "user_locale" lock (tests/CMakeLists.txt).
#pragma once

#include <initializer_list>

#include "support/time/locale_separators.h"

namespace tz::test {

// Nothing to make here: every locale the tests name is a set of choices (user_locale.cpp).
class SuiteLocales {
 public:
  explicit SuiteLocales(std::initializer_list<const char*>) {}
};

// The choices of "C", "de_DE.UTF-8" or "en_IN.UTF-8"; a test fails on any other name.
void chooseLocaleSettings(const char* name);

inline void useLocale(const char* name) {
  chooseLocaleSettings(name);
  tz::time::rereadLocaleSeparatorsForTest();
}

}  // namespace tz::test

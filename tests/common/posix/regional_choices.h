// The user's own regional choices for number and time text. This system keeps none: the locale
// that the environment names decides alone (see LocaleFolder), so every choice is refused.
#pragma once

#include "tests/common/regional_choice.h"

namespace tz::test {

// The locale comes from LC_ALL, LC_NUMERIC, LC_TIME, LC_MONETARY and LANG.
constexpr bool localeFromEnvironment = true;

class RegionalChoices {
 public:
  // False: there is nothing to choose here.
  bool set(RegionalChoice, const char*) { return false; }
};

}  // namespace tz::test

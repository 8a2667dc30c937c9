// The user's locale settings for numbers and times, as the library reads them once at start:
// the separators, the digit grouping and the leading-zero rule. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tz::platform {

struct LocaleSettings {
  std::string negativeSign = "-";
  std::string thousandsSeparator = ",";
  std::string decimalSeparator = ".";
  // Group sizes from the decimal point leftwards; the last one repeats, and an empty list
  // means no grouping.
  std::vector<uint8_t> grouping = {3};
  bool leadingZero = true;  // "0.5" rather than ".5"
  std::string timeSeparator = ":";
  std::string listSeparator = ",";
};

// The settings of the user's locale: on Windows the system's user locale with the user's own
// regional choices; elsewhere chosen as the C library does from LC_ALL, then LC_NUMERIC or
// LC_TIME, then LANG. A locale that is not installed, or one that leaves a setting empty (or,
// for the grouping, malformed), keeps the defaults above for what it does not say.
LocaleSettings userLocaleSettings();

}  // namespace tz::platform

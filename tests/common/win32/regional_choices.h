// The user's own regional choices for number and time text, set through the system's locale
// service for the object's life; the choices it found come back at the end.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/platform/text_encoding.h"

#include "tests/common/regional_choice.h"

namespace tz::test {

// The user's locale is the system's setting, not the environment's.
constexpr bool localeFromEnvironment = false;

class RegionalChoices {
 public:
  RegionalChoices() = default;
  RegionalChoices(const RegionalChoices&) = delete;
  RegionalChoices& operator=(const RegionalChoices&) = delete;
  ~RegionalChoices() {
    for (const auto& [type, value] : before_)
      SetLocaleInfoW(LOCALE_USER_DEFAULT, type, value.c_str());
  }

  // False when the system refuses the value.
  bool set(RegionalChoice choice, const char* value) {
    static constexpr LCTYPE types[] = {LOCALE_SNEGATIVESIGN, LOCALE_STHOUSAND, LOCALE_SDECIMAL,
                                       LOCALE_SGROUPING,     LOCALE_ILZERO,    LOCALE_STIME,
                                       LOCALE_SLIST};
    const LCTYPE type = types[static_cast<int>(choice)];
    wchar_t old[80];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, old, 80) == 0) return false;
    const std::u16string units = platform::utf16FromUtf8(value);
    if (!SetLocaleInfoW(LOCALE_USER_DEFAULT, type,
                        std::wstring(units.begin(), units.end()).c_str()))
      return false;
    // Only the first value found is the user's own.
    for (const auto& [kept, found] : before_)
      if (kept == type) return true;
    before_.emplace_back(type, old);
    return true;
  }

 private:
  std::vector<std::pair<LCTYPE, std::wstring>> before_;
};

}  // namespace tz::test

// Locale settings from the C library's locale data. The list separator has no counterpart
// there; locales whose decimal sign is a comma use ";" as their list separator, as the
// original platform's locales do.
#include "support/platform/locale_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tz::platform {
namespace {

// The locale name for a category as setlocale(category, "") would choose it.
const char* localeNameFor(const char* categoryVariable) {
  for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
    const char* value = getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

void keepIfSet(std::string& setting, const char* value) {
  if (value != nullptr && *value != '\0') setting = value;
}

void readNumeric(LocaleSettings& settings) {
  locale_t locale = newlocale(LC_NUMERIC_MASK, localeNameFor("LC_NUMERIC"), nullptr);
  if (locale == nullptr) return;
  keepIfSet(settings.decimalSeparator, nl_langinfo_l(RADIXCHAR, locale));
  // The C locale has no thousands separator; the default one stands then.
  keepIfSet(settings.thousandsSeparator, nl_langinfo_l(THOUSEP, locale));
  const char* grouping = nl_langinfo_l(GROUPING, locale);
  if (grouping != nullptr && *grouping != '\0') {
    settings.grouping.clear();
    for (const char* g = grouping; *g != '\0' && *g != CHAR_MAX && *g > 0; ++g)
      settings.grouping.push_back(static_cast<uint8_t>(*g));
    // The last size repeats, so a repeated tail says nothing more: {3, 3} is {3}.
    while (settings.grouping.size() > 1 && settings.grouping.back() == settings.grouping.end()[-2])
      settings.grouping.pop_back();
  }
  freelocale(locale);
}

void readMonetarySign(LocaleSettings& settings) {
  locale_t locale = newlocale(LC_MONETARY_MASK, localeNameFor("LC_MONETARY"), nullptr);
  if (locale == nullptr) return;
  keepIfSet(settings.negativeSign, nl_langinfo_l(NEGATIVE_SIGN, locale));
  freelocale(locale);
}

void readTime(LocaleSettings& settings) {
  locale_t locale = newlocale(LC_TIME_MASK, localeNameFor("LC_TIME"), nullptr);
  if (locale == nullptr) return;
  // The separator is what follows the hour in the locale's time format, e.g. "%H:%M:%S".
  const char* format = nl_langinfo_l(T_FMT, locale);
  if (format != nullptr) {
    const char* hour = strstr(format, "%H");
    if (hour == nullptr) hour = strstr(format, "%I");
    if (hour != nullptr && hour[2] != '\0' && hour[2] != '%') {
      const size_t length = strcspn(hour + 2, "%");
      settings.timeSeparator = std::string_view(hour + 2, length);
    }
  }
  freelocale(locale);
}

}  // namespace

LocaleSettings userLocaleSettings() {
  LocaleSettings settings;
  readNumeric(settings);
  readMonetarySign(settings);
  readTime(settings);
  if (settings.decimalSeparator == ",") settings.listSeparator = ";";
  return settings;
}

}  // namespace tz::platform

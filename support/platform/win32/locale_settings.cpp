// Locale settings from the system's locale service for the user's locale, the user's own
// choices in the regional settings included.
#include "support/platform/locale_settings.h"

#include <windows.h>

#include "support/platform/win32/wide_text.h"

namespace tz::platform {
namespace {

// The setting's text; "" when the locale has none or it does not fit (the longest the
// system allows is shorter).
std::string setting(LCTYPE type) {
  wchar_t buffer[80];
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 80);
  return length > 1 ? utf8FromWide(std::wstring_view(buffer, static_cast<size_t>(length) - 1))
                    : std::string();
}

void keepIfSet(std::string& target, LCTYPE type) {
  if (std::string value = setting(type); !value.empty()) target = std::move(value);
}

// The system's grouping, "3;0" or "3;2;0": sizes from the decimal point leftwards, a final 0
// repeating the size before it. Without the final 0 the last size would not repeat, which the
// settings cannot say; it repeats too. "0" is no grouping. Anything else keeps the default.
bool parseGrouping(const std::string& text, std::vector<uint8_t>& grouping) {
  std::vector<uint8_t> sizes;
  for (size_t at = 0; at <= text.size(); at += 2) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    const auto size = static_cast<uint8_t>(text[at] - '0');
    if (size == 0) {
      if (at + 1 != text.size()) return false;
      break;
    }
    sizes.push_back(size);
    if (at + 1 == text.size()) break;
    if (text[at + 1] != ';') return false;
  }
  // The last size repeats, so a repeated tail says nothing more: {3, 3} is {3}.
  while (sizes.size() > 1 && sizes.back() == sizes.end()[-2]) sizes.pop_back();
  grouping = std::move(sizes);
  return true;
}

}  // namespace

LocaleSettings userLocaleSettings() {
  LocaleSettings settings;
  keepIfSet(settings.negativeSign, LOCALE_SNEGATIVESIGN);
  keepIfSet(settings.thousandsSeparator, LOCALE_STHOUSAND);
  keepIfSet(settings.decimalSeparator, LOCALE_SDECIMAL);
  parseGrouping(setting(LOCALE_SGROUPING), settings.grouping);
  const std::string leadingZero = setting(LOCALE_ILZERO);
  if (leadingZero == "0" || leadingZero == "1") settings.leadingZero = leadingZero == "1";
  keepIfSet(settings.timeSeparator, LOCALE_STIME);
  keepIfSet(settings.listSeparator, LOCALE_SLIST);
  return settings;
}

}  // namespace tz::platform

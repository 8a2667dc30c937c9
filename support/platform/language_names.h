// The locale service's abbreviated language names: the three letters the original platform
// gives a locale (ENU for English, United States; DEU for German, Germany; JPN for Japanese).
#pragma once

#include <cstdint>
#include <string_view>

namespace tz::platform {

// The abbreviated language name of a locale identifier (its language part); empty when the
// locale is not one the service knows.
std::string_view abbreviatedLanguageName(uint32_t locale);

}  // namespace tz::platform

#include "user_locale.h"

#include <gtest/gtest.h>

#include <cstring>

#include "regional_choices.h"

namespace tz::test {

void chooseLocaleSettings(const char* name) {
  // As the C library's locales of these names give them (posix/locale_settings.cpp).
  static const struct {
    const char* name;
    const char* thousands;
    const char* decimal;
    const char* grouping;
    const char* list;
  } locales[] = {{"C", ",", ".", "3;0", ","},
                 {"de_DE.UTF-8", ".", ",", "3;0", ";"},
                 {"en_IN.UTF-8", ",", ".", "3;2;0", ","}};
  // Put back when the program ends.
  static RegionalChoices choices;
  for (const auto& locale : locales) {
    if (std::strcmp(locale.name, name) != 0) continue;
    const std::pair<RegionalChoice, const char*> settings[] = {
        {RegionalChoice::NegativeSign, "-"},       {RegionalChoice::Thousands, locale.thousands},
        {RegionalChoice::Decimal, locale.decimal}, {RegionalChoice::Grouping, locale.grouping},
        {RegionalChoice::LeadingZero, "1"},        {RegionalChoice::Time, ":"},
        {RegionalChoice::List, locale.list}};
    for (const auto& [choice, value] : settings)
      EXPECT_TRUE(choices.set(choice, value)) << name << ": " << value;
    return;
  }
  ADD_FAILURE() << "no regional choices for the locale " << name;
}

}  // namespace tz::test

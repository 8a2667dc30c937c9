// Locale settings under real locales: where the environment names the locale, the C locale and
// German and Japanese ones compiled into a private folder for the test (the machine need not
// have them installed); where the system keeps the user's own choices, those choices.
#include "support/platform/locale_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "environment_variable.h"
#include "regional_choices.h"
#include "tests/common/locale_folder.h"

namespace {

using namespace std::literals;
using tz::test::RegionalChoice;
using tz::test::setEnvironmentVariable;

struct LocaleSettingsTest : ::testing::Test {
  static void SetUpTestSuite() {
    if (tz::test::localeFromEnvironment) locales = new tz::test::LocaleFolder({"de_DE", "ja_JP"});
  }
  static void TearDownTestSuite() { delete locales; }
  void SetUp() override {
    for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"})
      tz::test::removeEnvironmentVariable(v);
  }

  static inline tz::test::LocaleFolder* locales = nullptr;
};

// Every setting in a line: sign, thousands, decimal, grouping, time, list, leading zero.
std::string settings() {
  const tz::platform::LocaleSettings s = tz::platform::userLocaleSettings();
  std::string line = s.negativeSign + " " + s.thousandsSeparator + " " + s.decimalSeparator + " ";
  for (const uint8_t size : s.grouping) line += std::to_string(size) + ";";
  return line + " " + s.timeSeparator + " " + s.listSeparator + (s.leadingZero ? " 0" : " -");
}

TEST_F(LocaleSettingsTest, SettingsFollowTheLocaleOfEachCategory) {
  if (!tz::test::localeFromEnvironment)
    GTEST_SKIP() << "the user's locale is the system's setting here";
  setEnvironmentVariable("LANG", "C");
  EXPECT_EQ("- , . 3; : , 0", settings()) << "the defaults";
  setEnvironmentVariable("LANG", "de_DE.UTF-8");
  EXPECT_EQ("- . , 3; : ; 0", settings());
  setEnvironmentVariable("LANG", "C");
  setEnvironmentVariable("LC_NUMERIC", "de_DE.UTF-8");
  EXPECT_EQ("- . , 3; : ; 0", settings());
  setEnvironmentVariable("LC_ALL", "ja_JP.UTF-8");  // overrides every category
  EXPECT_EQ("- , . 3;", settings().substr(0, 8));
  // A locale that is not installed changes nothing.
  setEnvironmentVariable("LC_ALL", "xx_YY.UTF-8");
  EXPECT_EQ("- , . 3; : , 0", settings());
}

TEST_F(LocaleSettingsTest, SettingsFollowTheUsersOwnChoices) {
  tz::test::RegionalChoices choices;
  if (!choices.set(RegionalChoice::Decimal, ","))
    GTEST_SKIP() << "the locale alone decides here: the user makes no choices of their own";
  for (const auto& [choice, value] : {std::pair{RegionalChoice::Thousands, "\xe2\x80\xaf"},
                                      {RegionalChoice::Grouping, "3;2;0"},
                                      {RegionalChoice::LeadingZero, "0"},
                                      {RegionalChoice::Time, "."},
                                      {RegionalChoice::List, ";"},
                                      {RegionalChoice::NegativeSign, "~"}})
    ASSERT_TRUE(choices.set(choice, value)) << value;
  EXPECT_EQ("~ \xe2\x80\xaf , 3;2; . ; -", settings());
  // Grouping: 0 ends the list and repeats the size before it; "0" alone is no grouping.
  for (const auto& [grouping, sizes] : {std::pair{"3;0", "3;"}, {"3;3;0", "3;"}, {"0", ""}}) {
    ASSERT_TRUE(choices.set(RegionalChoice::Grouping, grouping)) << grouping;
    EXPECT_EQ("~ \xe2\x80\xaf , "s + sizes + " . ; -", settings()) << grouping;
  }
}

}  // namespace

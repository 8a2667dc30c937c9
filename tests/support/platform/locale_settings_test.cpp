// Locale settings under real locales: the C locale, and German and Japanese ones compiled
// into a private folder for the test (the machine need not have them installed).
#include "support/platform/locale_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tests/common/locale_folder.h"

namespace {

struct LocaleSettingsTest : ::testing::Test {
  static void SetUpTestSuite() { locales = new tz::test::LocaleFolder({"de_DE", "ja_JP"}); }
  static void TearDownTestSuite() { delete locales; }
  void SetUp() override {
    for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"}) unsetenv(v);
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
  setenv("LANG", "C", 1);
  EXPECT_EQ("- , . 3; : , 0", settings()) << "the defaults";
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ("- . , 3; : ; 0", settings());
  setenv("LANG", "C", 1);
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  EXPECT_EQ("- . , 3; : ; 0", settings());
  setenv("LC_ALL", "ja_JP.UTF-8", 1);  // overrides every category
  EXPECT_EQ("- , . 3;", settings().substr(0, 8));
  // A locale that is not installed changes nothing.
  setenv("LC_ALL", "xx_YY.UTF-8", 1);
  EXPECT_EQ("- , . 3; : , 0", settings());
}

}  // namespace

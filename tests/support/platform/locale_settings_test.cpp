// Locale settings under real locales: the C locale, and German and Japanese ones compiled
// into a private folder for the test (the machine need not have them installed).
#include "support/platform/locale_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

// The C library keeps the locale search path of every loaded locale for the life of the
// process; the leak checker of the sanitizer build would report it as ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:argz_add_sep\n";
}

namespace {

class LocaleSettingsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = std::filesystem::temp_directory_path() / ("tz-locales-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"de_DE", "ja_JP"}) {
      const std::string command = "localedef -i " + std::string(name) + " -f UTF-8 '" +
                                  (folder / (std::string(name) + ".UTF-8")).string() +
                                  "' >/dev/null 2>&1";
      system(command.c_str());
    }
    setenv("LOCPATH", folder.c_str(), 1);
  }
  static void TearDownTestSuite() {
    unsetenv("LOCPATH");
    std::filesystem::remove_all(folder);
  }
  void SetUp() override {
    for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LC_MONETARY", "LANG"}) unsetenv(v);
  }

  static inline std::filesystem::path folder;
};

TEST_F(LocaleSettingsTest, CLocaleKeepsTheDefaults) {
  setenv("LANG", "C", 1);
  const tz::platform::LocaleSettings s = tz::platform::userLocaleSettings();
  EXPECT_EQ("-", s.negativeSign);
  EXPECT_EQ(",", s.thousandsSeparator);
  EXPECT_EQ(".", s.decimalSeparator);
  EXPECT_EQ(std::vector<uint8_t>{3}, s.grouping);
  EXPECT_EQ(":", s.timeSeparator);
  EXPECT_EQ(",", s.listSeparator);
  EXPECT_TRUE(s.leadingZero);
}

TEST_F(LocaleSettingsTest, GermanLocaleSwapsTheSeparators) {
  setenv("LANG", "de_DE.UTF-8", 1);
  const tz::platform::LocaleSettings s = tz::platform::userLocaleSettings();
  EXPECT_EQ(".", s.thousandsSeparator);
  EXPECT_EQ(",", s.decimalSeparator);
  EXPECT_EQ(std::vector<uint8_t>{3}, s.grouping);
  EXPECT_EQ(";", s.listSeparator);
  EXPECT_EQ(":", s.timeSeparator);
}

TEST_F(LocaleSettingsTest, CategoriesFollowTheirOwnVariables) {
  setenv("LANG", "C", 1);
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  EXPECT_EQ(",", tz::platform::userLocaleSettings().decimalSeparator);
  setenv("LC_ALL", "ja_JP.UTF-8", 1);  // overrides every category
  const tz::platform::LocaleSettings s = tz::platform::userLocaleSettings();
  EXPECT_EQ(".", s.decimalSeparator);
  EXPECT_EQ(",", s.thousandsSeparator);
  // A locale that is not installed changes nothing.
  setenv("LC_ALL", "xx_YY.UTF-8", 1);
  EXPECT_EQ(".", tz::platform::userLocaleSettings().decimalSeparator);
}

}  // namespace

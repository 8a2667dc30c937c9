// The formatted print through its exports: directives, locale conversions, conversions that
// are not well-formed, the bound on what it writes, and the print tokens under contention.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "support/time/locale_separators.h"
#include "support/ui/print_writer.h"
#include "tz/print.h"
#include "user_locale.h"

namespace {

struct PrintTest : ::testing::Test {
  static void SetUpTestSuite() { locales = new tz::test::SuiteLocales({"de_DE"}); }
  static void TearDownTestSuite() { delete locales; }
  void SetUp() override { useLocale("C"); }
  void TearDown() override { useLocale("C"); }
  static void useLocale(const char* name) { tz::test::useLocale(name); }
  static inline tz::test::SuiteLocales* locales = nullptr;
};

// TzPrintF into a buffer of the export's full size; the count must match the text.
template <typename... Args>
std::u16string print(const char16_t* format, Args... args) {
  const auto buffer = std::make_unique<WCHAR[]>(TZ_PRINTF_MAX);
  const int count = TzPrintF(buffer.get(), format, args...);
  const std::u16string text(buffer.get());
  EXPECT_EQ(static_cast<int>(text.size()), count);
  return text;
}

TEST_F(PrintTest, DirectivesWriteTheirTextsAndSeparators) {
  EXPECT_EQ(u"$ % % 100%", print(u"$$ %% $% 100%%"));
  EXPECT_EQ(u"05:07", print(u"%02u$:%02u", 5, 7));
  EXPECT_EQ(u". , :", print(u"$* $, $:"));
  // The library's separators, and a "!" before another character writes nothing.
  EXPECT_EQ(u": . , . .", print(u"$!: $!. $!, $&: $&."));
  EXPECT_EQ(u"x-y", print(u"$!x-y"));
  // A format that ends inside a conversion is written as it stood.
  EXPECT_EQ(u"total %5", print(u"total %5"));
  EXPECT_EQ(u"total $-", print(u"total $-"));
  EXPECT_EQ(u"", print(u""));
}

TEST_F(PrintTest, LocaleConversionsGroupAndUseTheLocaleDecimalSign) {
  EXPECT_EQ(u"1,234,567 1234567", print(u"$d %d", 1234567, 1234567));
  EXPECT_EQ(u"-2,147,483,648 4,294,967,295", print(u"$i $u", INT32_MIN, UINT32_MAX));
  EXPECT_EQ(u"5,000,000,000", print(u"$I64d", int64_t{5000000000}));
  EXPECT_EQ(u"1,234.56 1,234.56", print(u"$.2z %.2z", 123456, 123456));
  EXPECT_EQ(u"-0.005", print(u"$.3z", -5));
  EXPECT_EQ(u"  42", print(u"%4z", 42));  // any other "z" is a "d"
  EXPECT_EQ(u"1,234.50 1234.50", print(u"$.2f %.2f", 1234.5, 1234.5));
  EXPECT_EQ(u"1,234.5 1.23457e+06", print(u"$g $g", 1234.5, 1234567.0));
  EXPECT_EQ(u"1,234,567", print(u"$(1234567)"));
  // The number's own group separators are dropped before it is grouped again.
  EXPECT_EQ(u"1,234.5", print(u"$(1,234.5)"));
  EXPECT_EQ(u"$(12x)", print(u"$(12x)"));

  useLocale("de_DE.UTF-8");
  EXPECT_EQ(u"1.234.567 1.234,50 ,", print(u"$d $.2f $*", 1234567, 1234.5));
  EXPECT_EQ(u"1.234,56", print(u"$.2z", 123456));
}

TEST_F(PrintTest, SixtyFourBitArgumentsAreReadWhereverTheSizeSaysSo) {
  EXPECT_EQ(u"00000005|7", print(u"%08I64d|%d", int64_t{5}, 7));
  EXPECT_EQ(u"-1|ffffffffffffffff|9", print(u"%lld|%llx|%u", int64_t{-1}, int64_t{-1}, 9));
  EXPECT_EQ(u"12345678901", print(u"%I64u", uint64_t{12345678901}));
}

TEST_F(PrintTest, ConversionsThatAreNotWellFormedAreWrittenAndTakeNoArgument) {
  // "%n" never reaches the formatter; the argument goes to the next conversion.
  EXPECT_EQ(u"%n%d|5", print(u"%n%d|%d", 5));
  // "*" is the decimal-separator conversion, so a width from an argument cannot be asked for.
  EXPECT_EQ(u".d|7", print(u"%*d|%d", 7));
  EXPECT_EQ(u"%hhd|3 %qs", print(u"%hhd|%d %qs", 3));
}

TEST_F(PrintTest, WhatIsWrittenIsHeldToTheCapacity) {
  // The export's bound: a huge width writes TZ_PRINTF_MAX - 1 characters and no more.
  EXPECT_EQ(static_cast<size_t>(TZ_PRINTF_MAX - 1), print(u"%2147483647d", 1).size());
  EXPECT_EQ(static_cast<size_t>(TZ_PRINTF_MAX - 1), print(u"%.2147483647f", 1.0).size());
  // The bounded form with a small buffer, allocated at its exact size.
  for (size_t capacity : {1u, 2u, 8u}) {
    const auto buffer = std::make_unique<char16_t[]>(capacity);
    const size_t n =
        tz::ui::printF(buffer.get(), capacity, u"$d and $(1234567) %s", {1234567, u"text"});
    EXPECT_EQ(capacity - 1, n);
    EXPECT_EQ(u'\0', buffer[n]);
  }
  EXPECT_EQ(0, TzPrintF(nullptr, u"x"));
  WCHAR text[4] = u"abc";
  EXPECT_EQ(0, TzPrintF(text, nullptr));
  EXPECT_EQ(u'\0', text[0]);
}

TEST_F(PrintTest, TokensAreFoundWithoutRegardToCaseAndReplacedWhole) {
  ASSERT_TRUE(TzPrintF_AddToken(u"AppName", u"Loopra $d"));
  // Values are not expanded, and the reference is found in any case.
  EXPECT_EQ(u"Loopra $d / Loopra $d", print(u"$(AppName) / $(APPNAME)"));
  EXPECT_EQ(u"$(NoSuchToken) $(AppName", print(u"$(NoSuchToken) $(AppName"));
  ASSERT_TRUE(TzPrintF_AddToken(u"appname", u"Loopra 7"));
  EXPECT_EQ(u"Loopra 7", print(u"$(AppName)"));
  EXPECT_TRUE(TzPrintF_DeleteToken(u"APPNAME"));
  EXPECT_FALSE(TzPrintF_DeleteToken(u"AppName"));
  EXPECT_EQ(u"$(AppName)", print(u"$(AppName)"));
  EXPECT_FALSE(TzPrintF_AddToken(nullptr, u"x"));
  EXPECT_FALSE(TzPrintF_AddToken(u"x", nullptr));
  EXPECT_FALSE(TzPrintF_DeleteToken(nullptr));
  // A name longer than a reference may be is written as it stands.
  const std::u16string longName(300, u'n');
  ASSERT_TRUE(TzPrintF_AddToken(longName.c_str(), u"v"));
  EXPECT_EQ(u"$(" + longName + u")", print((u"$(" + longName + u")").c_str()));
  EXPECT_TRUE(TzPrintF_DeleteToken(longName.c_str()));
  // The library's separators are published as tokens.
  EXPECT_EQ(u": . , . .", print(u"$(SMPTE.Whole) $(smpte.nondrop) $(SMPTE.Drop) $(m.b) $(b.t)"));
}

TEST_F(PrintTest, AReaderNeverSeesAValueFreedUnderIt) {
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) {
      TzPrintF_AddToken(u"Busy", i % 2 ? u"odd value" : u"even value, a longer one");
      TzPrintF_DeleteToken(u"Busy");
    }
    done = true;
  });
  int seen = 0;
  while (!done) {
    const std::u16string text = print(u"$(Busy)");
    ASSERT_TRUE(text == u"$(Busy)" || text == u"odd value" || text == u"even value, a longer one")
        << std::string(text.begin(), text.end());
    ++seen;
  }
  writer.join();
  EXPECT_GT(seen, 0);
}

}  // namespace

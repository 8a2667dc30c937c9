// Number text under the C locale and German and Indian ones (user_locale.h). Buffers are
// allocated at exactly their documented sizes, so the sanitizer build catches any overrun.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "support/time/locale_separators.h"
#include "tz/number_text.h"
#include "user_locale.h"

namespace {

std::string ascii(const WCHAR* text) {
  std::string out;
  for (; *text != u'\0'; ++text) out += static_cast<char>(*text);
  return out;
}

std::u16string wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

struct NumberTextTest : ::testing::Test {
  static void SetUpTestSuite() { locales = new tz::test::SuiteLocales({"de_DE", "en_IN"}); }
  static void TearDownTestSuite() { delete locales; }
  void SetUp() override { useLocale("C"); }
  void TearDown() override { useLocale("C"); }
  static void useLocale(const char* name) { tz::test::useLocale(name); }

  // Runs a writer into a buffer of exactly `size` characters; checks the count it returns.
  static std::string written(int size, const std::function<int(WCHAR*)>& write) {
    const std::unique_ptr<WCHAR[]> buffer(new WCHAR[size]);
    const int count = write(buffer.get());
    const std::string text = ascii(buffer.get());
    EXPECT_EQ(static_cast<int>(text.size()), count) << text;
    return text;
  }

  static inline tz::test::SuiteLocales* locales = nullptr;
};

using Writer = std::function<int(WCHAR*)>;
Writer longText(LONG v, BOOL group) {
  return [=](WCHAR* b) { return TzLongToText(v, b, group); };
}
Writer longLongText(LONGLONG v, BOOL group) {
  return [=](WCHAR* b) { return TzLongLongToText(v, b, group); };
}
Writer dwordLongText(DWORD low, DWORD high, BOOL group) {
  return [=](WCHAR* b) { return TzDWordLongToText(low, high, b, group); };
}
Writer doubleText(double v, int decimals, BOOL group) {
  return [=](WCHAR* b) { return TzDoubleToText(b, v, decimals, group); };
}

TEST_F(NumberTextTest, WritersGroupPrintTheExtremesAndRound) {
  const struct {
    int size;
    Writer write;
    const char* expected;
  } cases[] = {
      {TZ_INT32_TEXT_MAX, longText(0, TRUE), "0"},
      {TZ_INT32_TEXT_MAX, longText(INT32_MIN, FALSE), "-2147483648"},
      {TZ_GROUPED_TEXT_MAX, longText(INT32_MIN, TRUE), "-2,147,483,648"},
      {TZ_GROUPED_TEXT_MAX, [](WCHAR* b) { return TzDWordToText(4294967295u, b, TRUE); },
       "4,294,967,295"},
      {TZ_INT64_TEXT_MAX, dwordLongText(0, 1, FALSE), "4294967296"},
      {TZ_GROUPED_TEXT_MAX, dwordLongText(~0u, ~0u, TRUE), "18,446,744,073,709,551,615"},
      {TZ_INT64_TEXT_MAX, longLongText(INT64_MIN, FALSE), "-9223372036854775808"},
      {TZ_GROUPED_TEXT_MAX, longLongText(INT64_MIN, TRUE), "-9,223,372,036,854,775,808"},
      {TZ_FOURCC_TEXT_MAX, [](WCHAR* b) { return ascii(TzFourCCToString(0x0146FF41, b)).size(); },
       "A.F."},
      // Doubles: half away from zero, the fraction's leading zeros kept, no "-" for a zero.
      {TZ_GROUPED_TEXT_MAX, doubleText(2.5, 0, FALSE), "3"},
      {TZ_GROUPED_TEXT_MAX, doubleText(3.05, 2, FALSE), "3.05"},
      {TZ_GROUPED_TEXT_MAX, doubleText(0.07, 1, FALSE), "0.1"},
      {TZ_GROUPED_TEXT_MAX, doubleText(-0.001, 2, FALSE), "0.00"},
      {TZ_GROUPED_TEXT_MAX, doubleText(0.5, -3, FALSE), "1"},
      {TZ_GROUPED_TEXT_MAX, doubleText(12.3456789, 12, FALSE), "12.345678900"},
      {TZ_GROUPED_TEXT_MAX, doubleText(0.9999999999, 9, FALSE), "1.000000000"},
      {TZ_GROUPED_TEXT_MAX, doubleText(NAN, 1, FALSE), "0.0"},
      {TZ_GROUPED_TEXT_MAX, doubleText(1234567.891, 2, TRUE), "1,234,567.89"},
      {TZ_GROUPED_TEXT_MAX, doubleText(-0.25, 1, TRUE), "-0.3"}};
  for (const auto& c : cases) EXPECT_EQ(c.expected, written(c.size, c.write));
  const std::string largest = written(TZ_DOUBLE_TEXT_MAX, doubleText(-HUGE_VAL, 9, FALSE));
  EXPECT_EQ(TZ_DOUBLE_TEXT_MAX - 1, static_cast<int>(largest.size()));
  EXPECT_EQ("-17976931348623157", largest.substr(0, 18));
  EXPECT_EQ(TZ_GROUPED_TEXT_MAX - 1,
            static_cast<int>(written(TZ_GROUPED_TEXT_MAX, doubleText(1e300, 2, TRUE)).size()));
}

constexpr int kNumber = -100;   // TzFormatNumber
constexpr int kDecimal = -101;  // TzFormatDecimalNumber

int format(int decimals, const WCHAR* s, WCHAR* b) {
  if (decimals == kNumber) return TzFormatNumber(s, b, TZ_GROUPED_TEXT_MAX);
  if (decimals == kDecimal) return TzFormatDecimalNumber(s, b, TZ_GROUPED_TEXT_MAX);
  return TzFormatGroupDecimalNumber(s, b, TZ_GROUPED_TEXT_MAX, decimals);
}

void expectFormats(std::initializer_list<std::tuple<int, const char*, const char*>> cases) {
  for (const auto& [decimals, text, expected] : cases) {
    const std::u16string source = wide(text);
    const auto write = [&](WCHAR* b) { return format(decimals, source.c_str(), b); };
    EXPECT_EQ(expected, NumberTextTest::written(TZ_GROUPED_TEXT_MAX, write)) << text;
  }
}

TEST_F(NumberTextTest, FormattersRoundGroupPassOtherTextThroughAndKeepToTheLimit) {
  expectFormats({{kNumber, "1234567", "1,234,567"},
                 {kNumber, "abc 1234", "abc 1,234"},
                 {kNumber, "007", "007"},
                 {kNumber, "0", "0"},
                 {kNumber, "1234.5", "1,235"},
                 {kNumber, "999.5", "1,000"},
                 {kNumber, "-0.4", "0"},
                 {kNumber, "12 dB", "12 dB"},
                 {kNumber, "x-", "x-"},
                 {kDecimal, "1234.50", "1,234.50"},
                 {kDecimal, "-.5", "-0.5"},
                 {3, "1234.5", "1,234.500"},
                 {2, "9.995", "10.00"},
                 {-1, "-1234.567", "-1,234.567"}});
  // Grouping by 3 then 2: the last size repeats, the list is not cycled.
  useLocale("en_IN.UTF-8");
  expectFormats({{kNumber, "123456789", "12,34,56,789"},
                 {kNumber, "1234567890123", "12,34,56,78,90,123"},
                 {kDecimal, "-12345.25", "-12,345.25"}});
  useLocale("C");
  // The limit counts the terminator.
  for (int limit : {1, 2, 6, 9, 10}) {
    const std::unique_ptr<WCHAR[]> buffer(new WCHAR[limit]);
    const int count = TzFormatNumber(u"1234567", buffer.get(), limit);
    EXPECT_EQ(std::string("1,234,567").substr(0, limit - 1), ascii(buffer.get())) << limit;
    EXPECT_EQ(std::min(limit - 1, 9), count);
  }
  WCHAR untouched[1] = {u'x'};
  EXPECT_EQ(0, TzFormatNumber(u"12", untouched, 0));
  EXPECT_EQ(u'x', untouched[0]);
  // Huge decimals and a long source cost no more than the limit.
  const std::u16string digits(100000, u'9');
  const std::unique_ptr<WCHAR[]> buffer(new WCHAR[TZ_GROUPED_TEXT_MAX]);
  EXPECT_EQ(63, TzFormatGroupDecimalNumber(digits.c_str(), buffer.get(), 64, INT32_MAX));
  useLocale("de_DE.UTF-8");
  expectFormats({{kNumber, "1234567.25", "1.234.567"}, {2, "-1234.5", "-1.234,50"}});
  EXPECT_EQ("1.234,5", written(TZ_GROUPED_TEXT_MAX, doubleText(1234.5, 1, TRUE)));
}

using Reader = double (*)(const WCHAR*, const WCHAR**);
template <auto F>
double as(const WCHAR* t, const WCHAR** e) {
  return static_cast<double>(F(t, e));
}
const Reader dword = as<TzTextToDWordToken>, dwordLong = as<TzTextToDWordLongToken>;
const Reader long32 = as<TzTextToLongToken>, long64 = as<TzTextToLongLongToken>;
const Reader hex = as<TzHexToDWordToken>, hexLong = as<TzHexToDWordLongToken>;
const Reader localeDouble = [](auto t, auto e) { return TzTextToDoubleToken(t, e, TRUE); };
const Reader plainDouble = [](auto t, auto e) { return TzTextToDoubleToken(t, e, FALSE); };

void expectReads(std::initializer_list<std::tuple<Reader, std::string, double, int>> cases) {
  for (const auto& [reader, text, value, stop] : cases) {
    const std::u16string wideText = wide(text);
    const WCHAR* end = nullptr;
    EXPECT_EQ(value, reader(wideText.c_str(), &end)) << text;
    EXPECT_EQ(stop, end - wideText.c_str()) << text;
  }
}

TEST_F(NumberTextTest, ReadersStopWhereTheNumberEnds) {
  const std::string ones(70, '1');
  expectReads({{dword, "1,234", 1234, 5},
               {dword, "12abc", 12, 2},
               {dword, "  42 ", 42, 4},
               {dword, "-5", 0, 2},
               {dword, "abc", 0, 0},
               {dword, "4294967297", 1, 10},
               {dword, "1.5", 1, 3},
               {dwordLong, "18446744073709551617", 1, 20},
               {long32, "-12x", -12, 3},
               {long32, "-2147483649", INT32_MIN, 11},
               {long32, "2147483648", INT32_MAX, 10},
               {long32, "-" + ones, INT32_MIN, 63},
               {long64, "9223372036854775808", 9223372036854775807.0, 19},
               {hex, "0x1F", 31, 4},
               {hex, "ff", 255, 2},
               {hex, " 0Xg", 0, 3},
               {hex, "123456789", 0x23456789, 9},
               {hexLong, "0x123456789", 0x123456789, 11},
               {localeDouble, "-1,234.5x", -1234.5, 8},
               {plainDouble, "1" + std::string(69, '0'), 1e62, 63}});
  useLocale("de_DE.UTF-8");
  expectReads({{dword, "1.234", 1234, 5},
               {localeDouble, "1.234,5", 1234.5, 7},
               {plainDouble, "1.234,5", 1.2345, 7}});
}

TEST_F(NumberTextTest, ExFormsTakeTheDefaultOnlyForTextWithoutANumberAndClamp) {
  const DWORD big = 3000000000u;
  const LONGLONG five = 5000000000LL;
  const auto lo = [](LONGLONG v) { return static_cast<DWORD>(v); };
  const auto hi = [](LONGLONG v) { return static_cast<DWORD>(static_cast<ULONGLONG>(v) >> 32); };
  const WCHAR* end = nullptr;
  EXPECT_EQ(7u, TzTextToDWordTokenEx(u"abc", 7, 0, 100, nullptr));
  EXPECT_EQ(0u, TzTextToDWordTokenEx(u"", 7, 0, 100, nullptr));
  EXPECT_EQ(0u, TzTextToDWordTokenEx(u"  ", 7, 0, 100, nullptr));
  EXPECT_EQ(5u, TzTextToDWordTokenEx(u"0", 7, 5, 100, nullptr));
  EXPECT_EQ(100u, TzTextToDWordTokenEx(u"500", 7, 0, 100, nullptr));
  EXPECT_EQ(big, TzTextToDWordTokenEx(u"3000000000", 7, 5, 0xF0000000, nullptr));
  EXPECT_EQ(7u, TzTextToDWordTokenEx(u"0abc", 7, 0, 100, &end));
  EXPECT_EQ(u'a', *end);
  EXPECT_EQ(-10, TzTextToLongTokenEx(u"-50", 7, -10, 10, nullptr));
  EXPECT_EQ(-3, TzTextToLongTokenEx(u"x", -3, -10, 10, nullptr));
  EXPECT_EQ(five, TzTextToLongLongTokenEx(u"5000000000", 0, 0, lo(INT64_MIN), hi(INT64_MIN),
                                          lo(INT64_MAX), hi(INT64_MAX), nullptr));
  EXPECT_EQ(0, TzTextToLongLongTokenEx(u"-1", 0, 0, 0, 0, lo(five), hi(five), nullptr));
  EXPECT_EQ(1ull << 40,
            TzTextToDWordLongTokenEx(u"18446744073709551615", 0, 0, 0, 0, 0, 1u << 8, nullptr));
  EXPECT_EQ(9u, TzHexToDWordTokenEx(u"zz", 9, 0, 100, nullptr));
  EXPECT_EQ(0xFFFFFFFEu, TzHexToDWordTokenEx(u"0xFFFFFFFF", 0, 0, 0xFFFFFFFE, nullptr));
  EXPECT_EQ(0x500000000ull, TzHexToDWordLongTokenEx(u"q", 0, 5, 0, 0, 0, 6, nullptr));
  EXPECT_EQ(1.5, TzTextToDoubleTokenEx(u"abc", 1.5, 0, 10, nullptr, TRUE));
  EXPECT_EQ(-5.0, TzTextToDoubleTokenEx(u" -20 ", 1.5, -5, 5, &end, TRUE));
  EXPECT_EQ(u' ', *end);
}

}  // namespace

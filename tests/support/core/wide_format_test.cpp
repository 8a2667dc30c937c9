// The UTF-16 formatter against what the original runtime prints for each family, with this
// library's spellings for exponents, infinities and NaNs; the capacity bound; bad conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/core/wide_format.h"

namespace {

using tz::core::ArrayArguments;
using tz::core::ConversionSpec;
using tz::core::FormatArgument;
using tz::core::WideSink;

constexpr char16_t kGuard = 0xBEEF;

struct Case {
  const char16_t* format;
  std::vector<FormatArgument> args;
  std::u16string expected;
};

// Formats into a buffer with guard characters past the capacity and checks them.
std::u16string format(std::u16string_view text, const std::vector<FormatArgument>& args,
                      size_t capacity = 4096, bool* truncated = nullptr) {
  std::vector<char16_t> buffer(capacity + 8, kGuard);
  WideSink sink(buffer.data(), capacity);
  ArrayArguments arguments(args);
  const size_t written = tz::core::formatWide(sink, text, arguments);
  EXPECT_EQ(sink.length(), written);
  if (capacity > 0) {
    EXPECT_EQ(0, buffer[written]);
  }
  for (size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(kGuard, buffer[i]) << i;
  if (truncated != nullptr) *truncated = sink.truncated();
  return std::u16string(sink.text());
}

void expectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, format(c.format, c.args)) << testing::PrintToString(c.format);
}

TEST(WideFormat, IntegersWithEveryFlagAndSize) {
  const int64_t int64Min = std::numeric_limits<int64_t>::min();
  expectAll({
      {u"%d|%i|%5d|%-5d|%05d",
       {-2147483647 - 1, 7, 42, 42, -42},
       u"-2147483648|7|   42|42   |-0042"},
      {u"%+d|% d|%+ d|%-05d|%+.0d", {42, 42, 42, 42, 0}, u"+42| 42|+42|42   |+"},
      {u"%.3d|%08.3d|%.0d|%3.0d|", {7, 7, 0, 0}, u"007|     007||   |"},
      {u"%hd|%hd|%hu|%hx|%hi",
       {0x12345678, 0xFFFF, -1, 0x12345, 0x18000},
       u"22136|-1|65535|2345|-32768"},
      {u"%u|%lu|%+u|% x|%I32d|%Id", {-1, -1, 5, 5, -5, -6}, u"4294967295|4294967295|5|5|-5|-6"},
      {u"%lld|%I64u|%llx|%I64X",
       {int64Min, uint64_t(-1), int64_t(-1), int64_t(0xABCDEF012)},
       u"-9223372036854775808|18446744073709551615|ffffffffffffffff|ABCDEF012"},
      {u"%o|%#o|%#o|%#.0o|%#.3o|%.0o|", {8, 8, 0, 0, 8, 0}, u"10|010|0|0|010||"},
      {u"%x|%X|%#x|%#X|%#x|%#010x|%#.4x",
       {255, 255, 255, 255, 0, 255, 255},
       u"ff|FF|0xff|0XFF|0|0x000000ff|0x00ff"},
      {u"%*d|%*d|%.*d|%*.*d|%-*d|",
       {4, 7, -4, 7, -1, 7, 6, 3, 7, -3, 1},
       u"   7|7   |7|   007|1  |"},
  });
}

TEST(WideFormat, FloatsRoundExactlyAndSpellSpecialValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  expectAll({
      {u"%f|%e|%E|%Lf|%lf",
       {1.5, 1500.0, 1500.0, 0.25, -2.0},
       u"1.500000|1.500000e+03|1.500000E+03|0.250000|-2.000000"},
      // Ties on the exact binary value go to even; 0.35 lies just below its tie.
      {u"%.0f|%.0f|%.0f|%.0e|%.1f|%.1f", {0.5, 1.5, 2.5, 2.5, 0.25, 0.35}, u"0|2|2|2e+00|0.2|0.3"},
      {u"%#.0f|%#.0e|%f|%+f|% f",
       {1.0, 1.0, -0.0, 0.0, 1.0},
       u"1.|1.e+00|-0.000000|+0.000000| 1.000000"},
      {u"%010.2f|%-10.2f|%+012.3e",
       {-3.14159, 3.14159, 31.4159},
       u"-000003.14|3.14      |+003.142e+01"},
      {u"%g|%g|%g|%g|%g|%G",
       {100000.0, 1e6, 0.0001, 0.00001, 123456789.0, 1e-10},
       u"100000|1e+06|0.0001|1e-05|1.23457e+08|1E-10"},
      // Rounding can carry %g over to the other notation; "#" keeps every significant digit.
      {u"%g|%#g|%.3g|%.3g|%#.0g|%.0g|%g|%#.3g|%#.2g",
       {0.0, 1.0, 99.95, 999.5, 1.0, 25.0, 0.0001234, 9.9996, 99.5},
       u"0|1.00000|100|1e+03|1.|2e+01|0.0001234|10.0|1.0e+02"},
      {u"%g|%e|%.0e|%.3f",
       {4.9406564584124654e-324, 2.2250738585072014e-308, 5e-324, 1e-320},
       u"4.94066e-324|2.225074e-308|5e-324|0.000"},
      {u"%f|%E|%+g|%05f|%-5e|%G|%f|%.3e|%#g",
       {inf, -inf, inf, inf, inf, nan, -nan, nan, nan},
       u"inf|-INF|+inf|  inf|inf  |NAN|-nan|nan|nan"},
  });
  const std::u16string max = format(u"%f", {1.7976931348623157e308});
  EXPECT_EQ(309u + 7, max.size());
  EXPECT_EQ(u"17976931348623157081452742373170435679807056752584499659891747680315726078002853876",
            max.substr(0, 83));
}

// The digits of a double are exact to the last one (the 1074th after the point of the smallest
// denormal) and a larger precision adds zeros, computed or not.
TEST(WideFormat, HugePrecisionsAreExactZerosAndBounded) {
  const std::u16string tiny = format(u"%.1200f", {4.9406564584124654e-324});
  ASSERT_EQ(2u + 1200, tiny.size());
  EXPECT_EQ(u"4940656458412", tiny.substr(2 + 323, 13));
  EXPECT_EQ(u'5', tiny[2 + 1073]);
  EXPECT_EQ(std::u16string(126, u'0'), tiny.substr(2 + 1074));
  const std::u16string many = format(u"%.5000e", {1.0}, 6000);
  EXPECT_EQ(2u + 5000 + 4, many.size());
  EXPECT_EQ(u"00e+00", many.substr(many.size() - 6));
  EXPECT_EQ(u"1." + std::u16string(3000, u'0'), format(u"%#.3001g", {1.0}));
  EXPECT_EQ(u"1." + std::u16string(97, u'0'), format(u"%.2147483647f", {1.0}, 100));
  EXPECT_EQ(std::u16string(99, u' '), format(u"%2147483647d", {1}, 100));
  EXPECT_EQ(std::u16string(49, u'0'), format(u"%.*d", {2147483647, 5}, 50));
  EXPECT_EQ(std::u16string(99, u' '), format(u"%99999999999999999999d", {1}, 100));
  EXPECT_EQ(std::u16string(19, u' '), format(u"%*s", {-2147483647 - 1, u"x"}, 21).substr(1));
}

TEST(WideFormat, TextsAndCharacters) {
  const char bytesAfterTerminator[] = {'\xE2', '\0', '\x82', '\xAC', '\0'};
  expectAll({
      {u"%s|%5s|%-5s|%.2s|%05s|%ls|%ws",
       {u"abc", u"abc", u"abc", u"abc", u"abc", u"l", u"w"},
       u"abc|  abc|abc  |ab|00abc|l|w"},
      {u"%s|%.3s|%S|%8.2hs",
       {static_cast<const char16_t*>(nullptr), static_cast<const char16_t*>(nullptr),
        static_cast<const char*>(nullptr), static_cast<const char*>(nullptr)},
       u"(null)|(nu|(null)|      (n"},
      {u"%S|%hs|%S|%.1S|%.2S",
       {"h\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5"},
       u"h\u00E9|\u20AC|\U0001F3B5||\U0001F3B5"},
      // Each maximal ill-formed start becomes one U+FFFD; nothing past the terminator is read.
      {u"%S|%S|%S|%S|%S|%S",
       {"a\x80"
        "b",
        "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82x"},
       u"a\uFFFDb|\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFDx"},
      {u"%S|%hs", {bytesAfterTerminator, "\xFF\xFE"}, u"\uFFFD|\uFFFD\uFFFD"},
      {u"%c|%c|%lc|%wc|%hc|%C|%3c|%-3c|%03c",
       {0x20AC, 0x10041, 0x42, 0x43, 0x1E9, 0x141, 'x', 'x', 'x'},
       u"\u20AC|A|B|C|\u00E9|A|  x|x  |00x"},
  });
}

TEST(WideFormat, PointersAreEightUpperCaseHexDigits) {
  expectAll({{u"%p|%p|%10p|%-10p|%#p|%010p|%+.2p",
              {0x1234, 0xDEADBEEF, 1, 1, 1, 1, 1},
              u"00001234|DEADBEEF|  00000001|00000001  |00000001|  00000001|00000001"}});
}

// An ill-formed conversion is copied up to the character where parsing failed and takes no
// argument, so the next conversion gets the one the bad one would have.
TEST(WideFormat, IllFormedConversionsAreCopiedAndTakeNoArgument) {
  expectAll({
      {u"%n%d", {5}, u"%n5"},
      {u"%5n|%hhd|%hf|%I64s|%lls|%Ld|%lp|%I3d|%y|%d",
       {6},
       u"%5n|%hhd|%hf|%I64s|%lls|%Ld|%lp|%I3d|%y|6"},
      {u"100%%|%5%d|%w d|%", {7}, u"100%|%5%d|%w d|%"},
      {u"%-", {}, u"%-"},
      {u"%.5", {}, u"%.5"},
  });
  ConversionSpec conversion;
  conversion.width = 11;
  EXPECT_EQ(0u, tz::core::parseConversion(u"%n", conversion));
  EXPECT_EQ(0u, tz::core::parseConversion(u"%%", conversion));
  EXPECT_EQ(0u, tz::core::parseConversion(u"%5.2", conversion));
  EXPECT_EQ(11, conversion.width);
  EXPECT_EQ(13u, tz::core::parseConversion(u"%-+ #0*.*I64xyz", conversion));
  EXPECT_TRUE(conversion.leftAlign && conversion.plusSign && conversion.spaceSign &&
              conversion.alternate && conversion.zeroPad);
  EXPECT_TRUE(conversion.widthFromArgument && conversion.precisionFromArgument &&
              conversion.wide64());
  EXPECT_EQ(u'x', conversion.letter);
}

TEST(WideFormat, SmallCapacitiesCutTheTextAndSayItWasCut) {
  bool cut = false;
  EXPECT_EQ(u"", format(u"%d", {12345}, 0, &cut));
  EXPECT_TRUE(cut);
  EXPECT_EQ(u"", format(u"abc", {}, 1));
  EXPECT_EQ(u"1", format(u"%d", {12345}, 2));
  EXPECT_EQ(u"-0.5", format(u"%.3f", {-0.5}, 5));
  EXPECT_EQ(u"(n", format(u"%s", {}, 3, &cut));
  EXPECT_TRUE(cut);
  // The text stops before a surrogate pair that does not fit, and the sink still knows.
  EXPECT_EQ(u"ab", format(u"%S", {"ab\xF0\x9F\x8E\xB5"}, 3, &cut));
  EXPECT_TRUE(cut);
  // Wide text given whole is cut before a pair too, never between its halves.
  EXPECT_EQ(u"ab", format(u"ab\U0001F3B5", {}, 4, &cut));
  EXPECT_TRUE(cut);
  EXPECT_EQ(u"ab", format(u"%s", {u"ab\U0001F3B5"}, 4, &cut));
  WideSink nowhere(nullptr, 10);
  ArrayArguments none({});
  EXPECT_EQ(0u, tz::core::formatWide(nowhere, u"%d", none));
}

}  // namespace

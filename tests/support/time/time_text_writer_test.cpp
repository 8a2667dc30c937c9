// Times to text under the C locale: every format code with its default strings, the sign and
// the origin, and records and format strings no caller should pass. Buffers hold exactly
// TZ_TIME_TEXT_MAX characters, then guards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <limits>
#include <string>

#include "support/time/locale_separators.h"
#include "tz/time_text.h"
#include "user_locale.h"

namespace {

constexpr LONGLONG kSecond = 10'000'000;

_tzposfmt position(LONG code, double frameRate = 25.0, double tempo = 120.0) {
  return {code, 44100, frameRate, tempo, 0, 4, 4, 960};
}

struct TimeTextTest : ::testing::Test {
  static void SetUpTestSuite() { tz::test::useLocale("C"); }
  // format null: TzNanoTimeToText with `coarse`. Checks the count and the guards.
  static std::u16string text(const _tzposfmt& f, LONGLONG time, const WCHAR* format = nullptr,
                             DWORD flags = 0, BOOL coarse = FALSE) {
    WCHAR buffer[TZ_TIME_TEXT_MAX + 2] = {};
    buffer[TZ_TIME_TEXT_MAX] = buffer[TZ_TIME_TEXT_MAX + 1] = u'#';
    const int count = format != nullptr ? TzNanoTimeToTextFormat(buffer, &f, time, format, flags)
                                        : TzNanoTimeToText(buffer, &f, time, coarse);
    EXPECT_EQ(std::u16string(buffer).size(), static_cast<size_t>(count));
    EXPECT_EQ(u"##", std::u16string(buffer + TZ_TIME_TEXT_MAX, 2));
    return buffer;
  }
};

TEST_F(TimeTextTest, WorkedExamples) {
  EXPECT_EQ(u"1", text(position(TZTIMEFMT_SECONDS), kSecond, u"$.0f"));
  EXPECT_EQ(u"44,100", text(position(TZTIMEFMT_SAMPLES), kSecond));
  EXPECT_EQ(u"0:05", text(position(TZTIMEFMT_COMPACT_CLOCK), 5 * kSecond));
  EXPECT_EQ(u"12:00", text(position(TZTIMEFMT_COMPACT_CLOCK), 720 * kSecond));
  EXPECT_EQ(u"1:00:00", text(position(TZTIMEFMT_COMPACT_CLOCK), 3600 * kSecond));
  EXPECT_EQ(u"1.1.000", text(position(TZTIMEFMT_MUSIC), 0));
  EXPECT_EQ(u"60+0", text(position(TZTIMEFMT_FEET_FRAMES_40, 24.0), 100 * kSecond));
}

TEST_F(TimeTextTest, EveryCodeWithItsPreciseAndCoarseStrings) {
  const struct {
    LONG code;
    LONGLONG time;
    const char16_t *precise, *coarse;
  } cases[] = {
      {TZTIMEFMT_CLOCK_MILLISECONDS, 37234567000, u"01:02:03.457", u"01:02:03"},
      {TZTIMEFMT_SECONDS, 12'500'000, u"1.250", u"1"},
      {TZTIMEFMT_CLOCK_FRAMES, 14'800'000, u"00:00:01.12", u"00:00:01"},
      {TZTIMEFMT_FRAMES, 2 * kSecond, u"50.000", u"50"},
      {TZTIMEFMT_MUSIC, 12'500'000, u"1.3.480", u"1.3"},
      {TZTIMEFMT_SMPTE_2997, kSecond, u"00:00:00:29", u"00:00:00:29"},
      {TZTIMEFMT_SMPTE_30, kSecond, u"00:00:01:00", u"00:00:01:00"},
      {TZTIMEFMT_SMPTE_2997_DROP, 601'000'000, u"00:01:00;03", u"00:01:00;03"},
      {TZTIMEFMT_SMPTE_24, kSecond / 2, u"00:00:00:12", u"00:00:00:12"},
      {TZTIMEFMT_NANOS, 12345678, u"12,345,678", u"12,345,678"},
      {TZTIMEFMT_MICROSECONDS, 12345, u"1,235", u"1,235"},
      {TZTIMEFMT_MUSIC_ZERO_BASED, 12'500'000, u"0.2.480", u"0.2"},
      {TZTIMEFMT_BEATS, 14'999'999, u"3.000", u"2"},  // the coarse "$.0f" rounds down
      {TZTIMEFMT_FEET_FRAMES_16, 100 * kSecond, u"156+4", u"156+4"},
      {TZTIMEFMT_CD, 15'000'000, u"00:00:01:38", u"00:00:01"},
      {TZTIMEFMT_SMPTE_23976, kSecond, u"00:00:00:23", u"00:00:00:23"},
      {TZTIMEFMT_COMPACT_CLOCK, 37234567000, u"1:02:03", u"1:02:03"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.precise, text(position(c.code), c.time)) << c.code;
    EXPECT_EQ(c.coarse, text(position(c.code), c.time, nullptr, 0, TRUE)) << c.code;
  }
}

TEST_F(TimeTextTest, TheOriginIsSubtractedUnlessAbsoluteAndNegativesSignTheirMagnitude) {
  _tzposfmt f = position(TZTIMEFMT_MUSIC);
  f.origin = 10 * kSecond;
  EXPECT_EQ(u"-1.3.000", text(f, 9 * kSecond));
  EXPECT_EQ(u"0.2.000", text(f, kSecond, u"$u$&:%u$&.%03u", TZTIMETEXT_ABSOLUTE));  // from 0
  f = position(TZTIMEFMT_NANOS);
  EXPECT_EQ(u"-9223372036854775807", text(f, INT64_MIN, u"%I64d"));
  f.origin = INT64_MIN;
  EXPECT_EQ(u"9223372036854775807", text(f, INT64_MAX, u"%I64d"));
  f = position(TZTIMEFMT_MICROSECONDS);
  EXPECT_EQ(u"922337203685477581", text(f, INT64_MAX, u"%I64d"));
}

TEST_F(TimeTextTest, CallersFormatStringsReadOnlyTheTypedNumbersAndStayInTheBuffer) {
  // Hours, minutes, seconds, milliseconds: "%s" gets a null text, "%n" is no conversion.
  EXPECT_EQ(u"(null)|2|3.000|457|%n",
            text(position(TZTIMEFMT_CLOCK_MILLISECONDS), 37234567000, u"%s|%d|%.3f|%I64d|%n"));
  EXPECT_EQ(u"12,345", text(position(99), 12345));  // an unknown code prints an integer
  EXPECT_EQ(std::u16string(TZ_TIME_TEXT_MAX - 1, u'0'),
            text(position(TZTIMEFMT_SECONDS), kSecond, u"%0500d"));
  const _tzposfmt f = position(TZTIMEFMT_SECONDS);
  EXPECT_EQ(0, TzNanoTimeToTextFormat(nullptr, &f, kSecond, u"$.3f", 0));
}

TEST_F(TimeTextTest, UnusableRatesAndTimeSignaturesGiveZeroNotGarbage) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  for (double rate : {0.0, -25.0, std::numeric_limits<double>::quiet_NaN(), kInfinity}) {
    EXPECT_EQ(u"00:00:01.00", text(position(TZTIMEFMT_CLOCK_FRAMES, rate), kSecond)) << rate;
    EXPECT_EQ(u"0.000", text(position(TZTIMEFMT_FRAMES, rate), kSecond)) << rate;
    EXPECT_EQ(u"0+0", text(position(TZTIMEFMT_FEET_FRAMES_40, rate), kSecond)) << rate;
    EXPECT_EQ(u"0", text(position(TZTIMEFMT_BEATS, 25.0, rate), kSecond, u"$.0f")) << rate;
    EXPECT_EQ(u"1.1.000", text(position(TZTIMEFMT_MUSIC, 25.0, rate), kSecond)) << rate;
  }
  // Beyond every integer range: saturated, never undefined.
  EXPECT_EQ(u"9,223,372,036,854,775,807",
            text(position(TZTIMEFMT_BEATS, 25.0, 1e300), INT64_MAX, u"$.0f"));
  EXPECT_EQ(u"2,147,483,647.1.000", text(position(TZTIMEFMT_MUSIC, 25.0, 1e300), INT64_MAX));
}

}  // namespace

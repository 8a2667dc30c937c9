// What the time writers write, the readers read back: for every format with a reader, at sane
// settings, a time written and read again lies within one unit of what the text shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "tz/time_text.h"
#include "user_locale.h"

namespace {

constexpr double kUnitsPerSecond = 1e7;

// One shown unit of each format, in time units, at 48 kHz, 25 frames a second, 120 beats a
// minute in 4/4 and 960 ticks a quarter.
double shownUnit(LONG code) {
  switch (code) {
    case TZTIMEFMT_SAMPLES:
      return kUnitsPerSecond / 48000;
    case TZTIMEFMT_CLOCK_MILLISECONDS:
    case TZTIMEFMT_SECONDS:
      return kUnitsPerSecond / 1000;
    case TZTIMEFMT_FRAMES:
      return kUnitsPerSecond / 25 / 1000;
    case TZTIMEFMT_MUSIC:
    case TZTIMEFMT_MUSIC_ZERO_BASED:
      return kUnitsPerSecond / 2 / 960;
    case TZTIMEFMT_SMPTE_2997:
    case TZTIMEFMT_SMPTE_2997_DROP:
      return kUnitsPerSecond * 1001 / 30000;
    case TZTIMEFMT_SMPTE_30:
      return kUnitsPerSecond / 30;
    case TZTIMEFMT_SMPTE_24:
      return kUnitsPerSecond / 24;
    case TZTIMEFMT_SMPTE_23976:
      return kUnitsPerSecond * 1001 / 24000;
    case TZTIMEFMT_NANOS:
      return 1;
    case TZTIMEFMT_MICROSECONDS:
      return 10;
    case TZTIMEFMT_CD:
      return kUnitsPerSecond / 75;
    default:
      return kUnitsPerSecond / 25;  // frames: clock with frames, SMPTE 25, feet
  }
}

TEST(TimeTextRoundTrip, EveryReadableFormatReadsBackWhatItWroteWithinOneShownUnit) {
  tz::test::useLocale("C");
  std::mt19937_64 random(20261206);
  // Within a day, where the time codes and clocks do not wrap; feet and measures of 1,000 and
  // more are written grouped.
  std::uniform_int_distribution<int64_t> times(0, 86'000LL * 10'000'000);
  for (LONG code = 0; code <= 18; ++code) {
    if (code == TZTIMEFMT_BEATS) continue;  // written, but never read
    const _tzposfmt format = {code, 48000, 25.0, 120.0, 0, 4, 4, 960};
    int worst = 0;
    for (int i = 0; i < 2000; ++i) {
      const LONGLONG time = i == 0 ? 0 : times(random);
      WCHAR text[TZ_TIME_TEXT_MAX];
      TzNanoTimeToText(text, &format, time, FALSE);
      const WCHAR* end = nullptr;
      const LONGLONG back = TzTextToNanoTimeToken(text, &format, FALSE, &end);
      const double error = static_cast<double>(back - time) / shownUnit(code);
      if (error > 1.0 || error < -1.0) {
        ADD_FAILURE() << "code " << code << ": " << time << " wrote \""
                      << std::string(text, text + std::char_traits<char16_t>::length(text))
                      << "\" and read back " << back;
        if (++worst == 3) break;
      }
      EXPECT_EQ(u'\0', *end) << "code " << code;
    }
  }
}

}  // namespace

namespace {

// Large feet and measures are written grouped; the readers take the locale's thousands
// separator inside a number when it cannot be a field separator of the format.
TEST(TimeTextRoundTrip, GroupedFeetAndMeasuresReadAsOneNumber) {
  tz::test::useLocale("C");
  const _tzposfmt feet = {TZTIMEFMT_FEET_FRAMES_40, 48000, 24.0, 120.0, 0, 4, 4, 960};
  // 1,234 feet and 5 frames at 40 frames a foot and 24 frames a second.
  EXPECT_EQ(LONGLONG{(1234 * 40 + 5) * 10'000'000LL / 24},
            TzTextToNanoTimeToken(u"1,234+5", &feet, FALSE, nullptr));
  // A separator not followed by exactly three digits separates: 1 foot and 12 frames.
  EXPECT_EQ(21'666'667LL, TzTextToNanoTimeToken(u"1,12+5", &feet, FALSE, nullptr));

  const _tzposfmt music = {TZTIMEFMT_MUSIC_ZERO_BASED, 48000, 25.0, 120.0, 0, 4, 4, 960};
  const WCHAR* end = nullptr;
  // Measure 1,000, beat 1, tick 480: 4001.5 beats of half a second.
  EXPECT_EQ(20'007'500'000LL, TzTextToNanoTimeToken(u"1,000.1.480", &music, FALSE, &end));
  EXPECT_EQ(u'\0', *end);
}

}  // namespace

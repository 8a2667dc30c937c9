// Time text read back in every time format with its sign, origin, default and range; clock
// time and hours-minutes-seconds-frames; position formats no caller should pass and digit runs
// longer than any number.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "support/time/locale_separators.h"
#include "tz/time_text.h"
#include "user_locale.h"

namespace {

constexpr LONGLONG kMax = std::numeric_limits<LONGLONG>::max();
constexpr LONGLONG kSecond = 10'000'000;
const std::u16string kHuge = u"99999999999999999999999999999999999999";

_tzposfmt posfmt(LONG code, LONGLONG origin = 0) {
  return {code, 44100, 24.0, 120.0, origin, 4, 4, 960};
}

LONGLONG read(LONG code, const std::u16string& text, LONGLONG origin = 0) {
  const _tzposfmt f = posfmt(code, origin);
  return TzTextToNanoTimeToken(text.c_str(), &f, FALSE, nullptr);
}

struct TimeTextReadersTest : ::testing::Test {
  // "." as decimal separator whatever the machine's locale.
  static void SetUpTestSuite() { tz::test::useLocale("C"); }
};

TEST_F(TimeTextReadersTest, EveryFormatReadsItsOwnText) {
  const struct {
    LONG code;
    std::u16string text;
    LONGLONG time;
  } cases[] = {
      {TZTIMEFMT_SAMPLES, u"44100", kSecond},
      {TZTIMEFMT_CLOCK_MILLISECONDS, u"01:02:03.500", 3723 * kSecond + kSecond / 2},
      {TZTIMEFMT_SECONDS, u"1.5", 15'000'000},
      {TZTIMEFMT_CLOCK_FRAMES, u"00:00:01:12", 15'000'000},  // 24 fps
      {TZTIMEFMT_FRAMES, u"36", 15'000'000},
      {TZTIMEFMT_MUSIC, u"1.1.000", 0},  // 120 bpm, 4/4, 960
      {TZTIMEFMT_MUSIC, u"2.1.000", 2 * kSecond},
      {TZTIMEFMT_MUSIC_ZERO_BASED, u"1.1.000", 25'000'000},
      // 1802 labels, but 1800 in drop-frame, at each format's real rate.
      {TZTIMEFMT_SMPTE_2997, u"00:01:00:02", 601'267'334},
      {TZTIMEFMT_SMPTE_30, u"00:01:00:02", 600'666'667},
      {TZTIMEFMT_SMPTE_2997_DROP, u"00:01:00;02", 600'600'000},
      {TZTIMEFMT_SMPTE_25, u"00:01:00:02", 600'800'000},
      {TZTIMEFMT_SMPTE_24, u"00:01:00:02", 600'833'334},
      {TZTIMEFMT_SMPTE_23976, u"00:01:00:02", 601'434'167},
      {TZTIMEFMT_NANOS, u"123", 123},
      {TZTIMEFMT_MICROSECONDS, u"5", 50},
      {TZTIMEFMT_FEET_FRAMES_40, u"60+0", 100 * kSecond},  // 2400 frames at 24 fps
      {TZTIMEFMT_FEET_FRAMES_16, u"150+12", 100 * kSecond + kSecond / 2},
      {TZTIMEFMT_CD, u"00:00:00:75", kSecond},  // 75 frames a second, no carry
      // Beats and compact clock time are written, never read; nor is an unknown code.
      {TZTIMEFMT_BEATS, u"123", 0},
      {TZTIMEFMT_COMPACT_CLOCK, u"1:00", 0},
      {20, u"5", 0},
      {-1, u"5", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.code, c.text), c.time) << "code " << c.code;
}

TEST_F(TimeTextReadersTest, SignOriginDefaultAndRangeApplyInOrder) {
  const _tzposfmt f = posfmt(TZTIMEFMT_SECONDS, kSecond / 10);
  const WCHAR* end = nullptr;
  EXPECT_EQ(read(TZTIMEFMT_SECONDS, u"  -1.5", kSecond / 10), -14'000'000);
  // An empty remainder is the default plus the origin, clamped; a lone "-" does not negate it.
  EXPECT_EQ(TzTextToNanoTimeTokenEx(u"", &f, FALSE, 5 * kSecond, 0, kMax, &end), 51'000'000);
  EXPECT_EQ(*end, u'\0');
  EXPECT_EQ(TzTextToNanoTimeTokenEx(u"  -", &f, FALSE, 5 * kSecond, 0, kMax, nullptr), 51'000'000);
  EXPECT_EQ(TzTextToNanoTimeTokenEx(u"", &f, FALSE, 20 * kSecond, 0, kSecond, nullptr), kSecond);
  const DWORD absolute = TZTIMETEXT_ABSOLUTE | TZTIMETEXT_CLAMP;
  EXPECT_EQ(TzTextToNanoTimeToken2(u"", &f, 5, 0, 9, absolute, nullptr), 5);
  // A 0 from text that held no number is the default; a 0 that was typed is not; max wins.
  const std::u16string junk = u"abc";
  EXPECT_EQ(TzTextToNanoTimeToken2(junk.c_str(), &f, 7, 0, 9, absolute, &end), 7);
  EXPECT_EQ(end, junk.c_str());
  EXPECT_EQ(TzTextToNanoTimeToken2(u" 0 ", &f, 7, 0, 9, absolute, nullptr), 0);
  EXPECT_EQ(TzTextToNanoTimeToken2(u"3", &f, 7, 9, 5, absolute, nullptr), 5);
  // Time code cannot say where it stopped: the end stays at the terminator.
  const _tzposfmt smpte = posfmt(TZTIMEFMT_SMPTE_30);
  const std::u16string code = u"00:00:01:00x";
  EXPECT_EQ(TzTextToNanoTimeToken(code.c_str(), &smpte, FALSE, &end), kSecond);
  EXPECT_EQ(end, code.c_str() + code.size());
  const _tzposfmt music = posfmt(TZTIMEFMT_MUSIC);
  EXPECT_EQ(TzTextToNanoTimeToken(u"2.1", &music, TRUE, nullptr), 2 * kSecond);  // no ticks
  EXPECT_EQ(TzTextToNanoTimeToken(nullptr, &music, FALSE, &end), 0);
  EXPECT_EQ(end, nullptr);
}

TEST_F(TimeTextReadersTest, ClockTimeScalesItsFractionByDigitsAndTakesALoneNumberAsSeconds) {
  const _tzposfmt f = posfmt(TZTIMEFMT_CLOCK_MILLISECONDS);
  const struct {
    std::u16string text;
    BOOL noFraction;
    LONGLONG millis;
    size_t end;
  } cases[] = {
      {u"1:02:03.5", FALSE, 3'723'500, 9},
      {u"0:0:1.05", FALSE, 1'050, 8},
      {u"0:0:1.123", FALSE, 1'123, 9},
      {u"0:0:1.12345", FALSE, 1'123, 11},
      {u"1:30", FALSE, 1'300, 4},  // aligned right: seconds and fraction
      {u"5", FALSE, 5'000, 1},
      {u"  5", FALSE, 5'000, 3},
      {u"5 ", FALSE, 500, 1},
      {u"1:2:3:4:5", FALSE, 3'723'400, 7},
      {u"  x", FALSE, 0, 2},
      {u"1:02:03", TRUE, 3'723'000, 7},
      {u"90", TRUE, 90'000, 2},
  };
  for (const auto& c : cases) {
    const WCHAR* end = nullptr;
    EXPECT_EQ(TzTextToTimeToken(c.text.c_str(), &f, c.noFraction, &end), c.millis);
    EXPECT_EQ(end - c.text.c_str(), static_cast<ptrdiff_t>(c.end));
  }
}

TEST_F(TimeTextReadersTest, HoursMinutesSecondsFramesRoundTripAtFreeRates) {
  for (const double rate : {24.0, 25.0, 75.0, 1000.0, 30000.0 / 1001}) {
    const DWORD perSecond = static_cast<DWORD>(std::ceil(rate));
    for (DWORD frame = 0; frame < 200'000; frame += 997) {
      const DWORD s = frame / perSecond;
      const _smpteval v = {0, s / 3600, s / 60 % 60, s % 60, frame % perSecond, 0};
      _smpteval back = {0, 9, 9, 9, 9, 9};
      TzNanoTimeToHMSF(TzHMSFToNanoTime(&v, rate), &back, rate);
      EXPECT_TRUE(back.hours == v.hours && back.minutes == v.minutes && back.seconds == v.seconds &&
                  back.frames == v.frames)
          << "rate " << rate << " frame " << frame;
    }
  }
  _smpteval v = {0, 0, 0, 0, 0, 0};
  TzNanoTimeToHMSF(-(25 * 3600 + 62) * kSecond, &v, 24.0);  // the magnitude, hours modulo 24
  EXPECT_TRUE(v.hours == 1 && v.minutes == 1 && v.seconds == 2 && v.frames == 0);
  v = {TZSMPTE_FMT_2997, 0, 0, 1, 0, 0};
  EXPECT_EQ(TzHMSFToNanoTime(&v, 0.0), 10'010'000);  // time code: the rate is not read
  const _tzposfmt f = posfmt(TZTIMEFMT_CLOCK_FRAMES);
  EXPECT_EQ(TzTextToHMSFToken(u"01:02:03:12", &f, FALSE, nullptr), 37'235'000'000);
  EXPECT_EQ(TzTextToHMSFToken(u"01:02:03", &f, TRUE, nullptr), 37'230'000'000);
}

TEST_F(TimeTextReadersTest, RatesAndTemposThatAreNoNumbersAbove0GiveTime0) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double rate : {0.0, -24.0, std::nan(""), inf, -inf}) {
    _tzposfmt f = posfmt(TZTIMEFMT_FRAMES);
    f.frameRate = f.tempo = rate;
    for (const LONG code :
         {TZTIMEFMT_CLOCK_FRAMES, TZTIMEFMT_FRAMES, TZTIMEFMT_MUSIC, TZTIMEFMT_FEET_FRAMES_40}) {
      f.format = code;
      EXPECT_EQ(TzTextToNanoTimeToken(u"1:02:03:04", &f, FALSE, nullptr), 0) << code << " " << rate;
    }
    _smpteval v = {0, 1, 2, 3, 4, 0};
    EXPECT_EQ(TzHMSFToNanoTime(&v, rate), 0) << rate;
    TzNanoTimeToHMSF(3723 * kSecond, &v, rate);
    EXPECT_TRUE(v.hours == 1 && v.minutes == 2 && v.seconds == 3 && v.frames == 0) << rate;
  }
  _tzposfmt f = posfmt(TZTIMEFMT_SAMPLES);
  f.sampleRate = 0;
  EXPECT_EQ(TzTextToNanoTimeToken(u"44100", &f, FALSE, nullptr), 0);
}

TEST_F(TimeTextReadersTest, DigitRunsOriginsAndScalesSaturate) {
  for (const LONG code : {TZTIMEFMT_NANOS, TZTIMEFMT_MICROSECONDS, TZTIMEFMT_CLOCK_MILLISECONDS,
                          TZTIMEFMT_SECONDS, TZTIMEFMT_MUSIC, TZTIMEFMT_FEET_FRAMES_16}) {
    EXPECT_EQ(read(code, kHuge), kMax) << "code " << code;
    EXPECT_EQ(read(code, u"-" + kHuge), -kMax) << "code " << code;
  }
  EXPECT_EQ(read(TZTIMEFMT_NANOS, u"1", kMax), kMax);
  EXPECT_EQ(read(TZTIMEFMT_NANOS, u"-5", -kMax - 1), -kMax - 1);
  EXPECT_EQ(read(TZTIMEFMT_CLOCK_FRAMES, kHuge + u":0:0:0"), kMax);
  // Samples are held to the count of the time 2^61 at 44100 per second.
  const LONGLONG most = read(TZTIMEFMT_SAMPLES, kHuge);
  EXPECT_LE(std::llabs(most - (LONGLONG{1} << 61)), kSecond / 44100) << most;
  EXPECT_EQ(read(TZTIMEFMT_SAMPLES, u"-" + kHuge), -most);
}

}  // namespace

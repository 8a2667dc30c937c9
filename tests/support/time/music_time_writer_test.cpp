// Music time written: the measures split of a time, and measures and ticks as text with negative
// ticks, compound meters and time signatures that would divide by zero.
#include <gtest/gtest.h>

#include <string>

#include "tz/time_text.h"

namespace {

_tzposfmt meter(WORD beatsPerMeasure, WORD beatUnit, DWORD ticksPerQuarter = 960) {
  return {TZTIMEFMT_MUSIC, 44100, 25.0, 120.0, 0, beatUnit, beatsPerMeasure, ticksPerQuarter};
}

std::u16string ticksText(const _tzposfmt& f, LONGLONG measures, LONGLONG ticks,
                         BOOL oneBased = TRUE, BOOL noTicks = FALSE, DWORD divisor = 1) {
  WCHAR buffer[TZ_TIME_TEXT_MAX];
  const int count =
      TzMeasuresAndTicksToText(buffer, &f, measures, ticks, oneBased, noTicks, divisor);
  EXPECT_EQ(std::u16string(buffer).size(), static_cast<size_t>(count));
  return buffer;
}

TEST(MusicTimeWriter, SplitsTimeIntoTempoBeatsAndTicksPerQuarter) {
  const struct {
    _tzposfmt format;
    LONGLONG time, measures;
    LONG beats, ticks;
  } cases[] = {
      {meter(4, 4), 12'500'000, 0, 2, 480},
      {meter(6, 8), 12'500'000, 0, 2, 480},     // tempo beats, whatever the beat unit
      {meter(4, 4), -12'500'000, 0, -2, -479},  // each part toward zero
      {meter(0, 4), 30'000'000, 0, 0, 0},
      {{TZTIMEFMT_MUSIC, 0, 0, 1e300, 0, 4, 4, ~0u}, INT64_MAX, INT64_MAX, 0, 0},
  };
  for (const auto& c : cases) {
    LONGLONG measures = -7;
    LONG beats = -7, ticks = -7;
    TzNanoTimeToMeasures(c.time, &c.format, &measures, &beats, &ticks);
    EXPECT_EQ(c.measures, measures) << c.time;
    EXPECT_EQ(c.beats, beats) << c.time;
    EXPECT_EQ(c.ticks, ticks) << c.time;
  }
}

TEST(MusicTimeWriter, TicksCarryIntoMeasuresRoundingDownSoBeatAndTickNeverGoNegative) {
  const _tzposfmt f = meter(4, 4);
  EXPECT_EQ(u"-1.4.959", ticksText(f, 0, -1));
  EXPECT_EQ(u"-2.4.959", ticksText(f, 0, -3841));
  EXPECT_EQ(u"4.2.001", ticksText(f, 2, 3840 + 961));
  EXPECT_EQ(u"-1.2.959", ticksText(f, 0, -961, 2));  // only 1 counts from 1
  EXPECT_EQ(u"1.2", ticksText(f, 0, 1919, TRUE, TRUE));
  EXPECT_EQ(u"1.1.095", ticksText(f, 0, 959, TRUE, FALSE, 10));
  WCHAR buffer[TZ_TIME_TEXT_MAX];
  EXPECT_EQ(8, TzTicksToText(buffer, &f, -3841, FALSE, FALSE, 1));
  EXPECT_EQ(std::u16string(u"-2.3.959"), buffer);
}

// A beat is the signature's note: in 6/8 it holds 960 x 4 / 8 = 480 ticks, while the readers
// count ticks per quarter for every beat. Both sides are meant so.
TEST(MusicTimeWriter, CompoundMetersCountTicksPerBeatNotPerQuarter) {
  EXPECT_EQ(u"1.2.000", ticksText(meter(6, 8), 0, 480));
  EXPECT_EQ(u"2.1.000", ticksText(meter(6, 8), 0, 2880));
}

TEST(MusicTimeWriter, ZeroDivisorsAndExtremesGiveZeroOrSaturate) {
  // Beat unit 0, ticks per quarter 0, beats per measure 0, fewer than one tick a beat.
  for (const _tzposfmt& f : {meter(4, 0), meter(4, 4, 0), meter(0, 4), meter(4, 8, 1)}) {
    EXPECT_EQ(u"1.1.000", ticksText(f, 0, 12345)) << f.beatUnit << f.ticksPerQuarter;
    EXPECT_EQ(u"-5.1.000", ticksText(f, -5, -12345)) << f.beatUnit << f.ticksPerQuarter;
  }
  EXPECT_EQ(u"1.1.123", ticksText(meter(4, 4), 0, 123, TRUE, FALSE, 0));  // divisor 0 is 1
  EXPECT_EQ(u"9223372036854775807.3.127", ticksText(meter(4, 4), INT64_MAX, INT64_MAX));
  EXPECT_EQ(u"-9223372036854775808.2.832", ticksText(meter(4, 4), INT64_MIN, INT64_MIN));
  EXPECT_EQ(u"1.1.17179869179", ticksText(meter(4, 1, ~0u), 0, 17179869179));  // past 2^32
}

}  // namespace

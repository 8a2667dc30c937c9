// Music time read as ticks and as time: one-based numbers, the sign, numbers aligned left or
// right, and the beat of the readers in a time signature whose beat is not a quarter.
#include <gtest/gtest.h>

#include <limits>

#include "tz/time_text.h"

namespace {

constexpr LONGLONG kSecond = 10'000'000;

_tzposfmt music(LONG code, WORD beatsPerMeasure, WORD beatUnit) {
  return {code, 44100, 24.0, 120.0, 0, beatUnit, beatsPerMeasure, 960};
}

TEST(MusicTextReadersTest, TicksCountFromTheLeftWithOneBasedNumbersAndANegatedMeasure) {
  const _tzposfmt f = music(TZTIMEFMT_MUSIC, 4, 4);
  LONGLONG measures = -1, beats = -1, ticks = -1;
  EXPECT_EQ(TzTextToMeasuresBeatsTicks(u"2.3.100", &f, 1, 2, &measures, &beats, &ticks),
            (4 * 1 + 2) * 960 + 200);
  EXPECT_TRUE(measures == 1 && beats == 2 && ticks == 200);
  EXPECT_EQ(TzTextToTicks(u"2.3.100", &f, 2, 1), (4 * 2 + 3) * 960 + 100);  // only 1 is one-based
  // A negated measure keeps its number; the beat is still one-based.
  EXPECT_EQ(TzTextToMeasuresBeatsTicks(u" -2.3.100", &f, 1, 1, &measures, nullptr, nullptr),
            (-4 * 2 + 2) * 960 + 100);
  EXPECT_EQ(measures, -2);
  EXPECT_EQ(TzTextToBeatsTicks(u"-3.480", &f, 2, &beats, &ticks), 3 * 960 + 960);
  EXPECT_TRUE(beats == 3 && ticks == 960);
  // Numbers and multipliers beyond the range saturate.
  constexpr LONGLONG kMax = std::numeric_limits<LONGLONG>::max();
  EXPECT_EQ(TzTextToTicks(u"-99999999999999999999.1.0", &f, 1, 1), -kMax - 1);
  EXPECT_EQ(TzTextToTicks(u"0.0.99999999999999999999", &f, 0, -2), -kMax - 1);
  EXPECT_EQ(TzTextToBeatsTicks(u"99999999999999999999", &f, 1, nullptr, nullptr), kMax);
}

TEST(MusicTextReadersTest, TimeTakesTheLastNumberAsTicksAndIsOneBasedOnlyInFormat5) {
  const _tzposfmt oneBased = music(TZTIMEFMT_MUSIC, 4, 4);
  _tzposfmt zeroBased = music(TZTIMEFMT_MUSIC_ZERO_BASED, 4, 4);
  const auto time = [](const _tzposfmt& f, const WCHAR* text, DWORD flags) {
    return TzTextToMusicTimeToken(text, &f, flags, nullptr);
  };
  // 120 beats a minute: a beat is half a second.
  EXPECT_EQ(time(oneBased, u"1.2.480", 0), 7'500'000);
  EXPECT_EQ(time(oneBased, u"1.1.000", TZTIMETEXT_ABSOLUTE), 25'000'000);
  EXPECT_EQ(time(zeroBased, u"3.240", 0), 16'250'000);  // beats 3, ticks 240
  EXPECT_EQ(time(zeroBased, u"3.2", TZTIMETEXT_BEATS), 7 * kSecond);
  // Without a resolution the ticks count for nothing; no time signature divides.
  zeroBased.ticksPerQuarter = 0;
  EXPECT_EQ(time(zeroBased, u"0.1.480", 0), kSecond / 2);
  zeroBased.beatsPerMeasure = zeroBased.beatUnit = 0;
  EXPECT_EQ(TzTextToTicks(u"5.1.7", &zeroBased, 0, 3), 21);
}

// The readers count a beat as ticks per quarter whatever the beat unit; the writers count ticks
// per quarter × 4 / beat unit. In 6/8 at 960 ticks per quarter the readers take "2.1.0" as
// 6 × 960 = 5760 ticks, which the writers, at 480 ticks an eighth, show as 3.1.000; and as time
// at 120 bpm six beats of half a second. Callers rely on both sides as they are.
TEST(MusicTextReadersTest, SixEightCountsTicksPerQuarterInEachBeat) {
  const _tzposfmt f = music(TZTIMEFMT_MUSIC, 6, 8);
  EXPECT_EQ(TzTextToTicks(u"2.1.0", &f, 1, 1), 5760);
  EXPECT_EQ(TzTextToTicks(u"1.2.480", &f, 1, 1), 1440);
  EXPECT_EQ(TzTextToMusicTimeToken(u"2.1.000", &f, 0, nullptr), 3 * kSecond);
  EXPECT_EQ(TzTextToMusicTimeToken(u"1.2.480", &f, 0, nullptr), 7'500'000);
}

}  // namespace

// SMPTE time code through its exports: the drop-frame edges, wrapping at midnight, time
// conversions at the real rates, text reading, and records and rates no caller should pass.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "tz/smpte.h"

namespace {

_smpteval tc(DWORD format, DWORD h, DWORD m, DWORD s, DWORD f) {
  return {format, h, m, s, f, 0};
}

std::string show(const _smpteval& v) {
  char text[80];
  snprintf(text, sizeof text, "[%lu] %lu:%lu:%lu:%lu r%lu", v.format, v.hours, v.minutes, v.seconds,
           v.frames, v.reserved);
  return text;
}

bool same(const _smpteval& a, const _smpteval& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The address of a temporary record, alive until the end of the call it is passed to.
const _smpteval* at(const _smpteval& v) {
  return &v;
}

_smpteval fromCount(DWORD format, DWORD count) {
  _smpteval v = tc(format, 9, 9, 9, 9);
  TZSMPTE_FrameCountToSMPTE(&v, count);
  return v;
}

TEST(SmpteTest, StepsSkipDroppedLabelsWrapAtMidnightAndNeverWrapAField) {
  constexpr DWORD kMax = 0xFFFFFFFF;
  const struct {
    _smpteval from;
    bool forward;
    _smpteval to;
  } cases[] = {
      {tc(2, 0, 0, 59, 29), true, tc(2, 0, 1, 0, 2)},
      {tc(2, 0, 9, 59, 29), true, tc(2, 0, 10, 0, 0)},
      {tc(2, 0, 1, 0, 2), false, tc(2, 0, 0, 59, 29)},
      {tc(2, 23, 59, 59, 29), true, tc(2, 0, 0, 0, 0)},
      {tc(5, 0, 1, 0, 0), false, tc(5, 0, 0, 59, 29)},
      {tc(1, 0, 0, 0, 0), false, tc(1, 23, 59, 59, 29)},
      {tc(0, 0, 0, 59, 29), true, tc(0, 0, 1, 0, 0)},  // no format: 30 labels, none dropped
      {tc(3, 0, 0, 0, kMax), true, tc(3, 0, 0, 1, 0)},
      {tc(3, kMax, kMax, kMax, kMax), true, tc(3, 0, 0, 0, 0)},
      {tc(4, kMax, 0, 0, 0), false, tc(4, kMax - 1, 59, 59, 23)},
  };
  for (const auto& c : cases) {
    _smpteval v = c.from;
    c.forward ? TZSMPTE_IncrementByFrame(&v, 0) : TZSMPTE_DeccrementByFrame(&v, 0);
    EXPECT_EQ(show(v), show(c.to)) << show(c.from) << (c.forward ? " + 1" : " - 1");
  }
}

TEST(SmpteTest, FrameCountsReadDroppedLabelsAsFrameTwoAndWrapByTheDay) {
  EXPECT_EQ(TZSMPTE_SMPTEToFrameCount(at(tc(2, 0, 1, 0, 0))), 1800u);
  EXPECT_EQ(TZSMPTE_SMPTEToFrameCount(at(tc(2, 0, 1, 0, 2))), 1800u);
  EXPECT_EQ(TZSMPTE_SMPTEToFrameCount(at(tc(3, 1, 0, 0, 0))), 90000u);
  EXPECT_EQ(TZSMPTE_SMPTEToFrameCount(at(tc(7, 1, 0, 0, 0))), 0u);
  EXPECT_EQ(show(fromCount(2, 1800)), show(tc(2, 0, 1, 0, 2)));
  EXPECT_EQ(show(fromCount(2, 17982)), show(tc(2, 0, 10, 0, 0)));
  EXPECT_EQ(show(fromCount(2, 2589407)), show(tc(2, 23, 59, 59, 29)));
  EXPECT_EQ(show(fromCount(1, 2592000)), show(tc(1, 0, 0, 0, 0)));
  EXPECT_EQ(show(fromCount(0, 1800)), show(tc(0, 0, 1, 0, 2)));  // converts as drop-frame
}

TEST(SmpteTest, ArithmeticWrapsInTheFirstRecordsFormatAndComparesFieldsUnsigned) {
  _smpteval a = tc(1, 0, 0, 0, 0);
  TZSMPTE_SubtractSMPTE(&a, at(tc(1, 0, 0, 0, 1)));
  EXPECT_EQ(show(a), show(tc(1, 23, 59, 59, 29)));
  TZSMPTE_AddSMPTE(&a, at(tc(1, 0, 0, 0, 2)));
  EXPECT_EQ(show(a), show(tc(1, 0, 0, 0, 1)));
  a = tc(3, 0, 0, 0, 0);  // b counts 30 frames in its own format: 1 s 5 frames at 25
  TZSMPTE_AddSMPTE(&a, at(tc(1, 0, 0, 1, 0)));
  EXPECT_EQ(show(a), show(tc(3, 0, 0, 1, 5)));
  a = tc(1, 0, 0, 0, 0);  // the most negative difference, -2^31
  TZSMPTE_SubtractSMPTE(&a, at(tc(1, 0, 0, 0, 0x80000000)));
  EXPECT_EQ(show(a), show(tc(1, 11, 53, 31, 22)));
  a = tc(0, 0, 0, 0, 0);  // no format: wraps by the drop-frame day it converts by
  TZSMPTE_SubtractSMPTE(&a, at(tc(1, 0, 0, 0, 1)));
  EXPECT_EQ(show(a), show(tc(0, 23, 59, 59, 29)));
  EXPECT_EQ(TZSMPTE_SMPTECompare(at(tc(1, 1, 0, 0, 0)), at(tc(3, 0, 59, 59, 29))), 1);
  EXPECT_EQ(TZSMPTE_SMPTECompare(at(tc(1, 0, 0, 0, 1)), at(tc(1, 0, 0, 0, 0x80000000))), -1);
  EXPECT_EQ(TZSMPTE_SMPTECompare(at(tc(2, 5, 6, 7, 8)), at(tc(6, 5, 6, 7, 8))), 0);
}

TEST(SmpteTest, TimesConvertAtTheRealRateAndSaturate) {
  _smpteval v = tc(5, 0, 0, 0, 0);
  TZSMPTE_NanoToSMPTE(10'000'000, &v);
  EXPECT_EQ(show(v), show(tc(5, 0, 0, 0, 29)));  // 29.97 frames
  v.format = 1;
  TZSMPTE_NanoToSMPTE(10'000'000, &v);
  EXPECT_EQ(show(v), show(tc(1, 0, 0, 1, 0)));
  TZSMPTE_NanoToSMPTE(-10'000'000, &v);  // -29 frames folds to 2^32 - 29
  EXPECT_EQ(show(v), show(tc(1, 0, 12, 55, 17)));
  EXPECT_EQ(TZSMPTE_SMPTEToNanos(at(tc(1, 0, 0, 1, 0))), 10'000'000);
  EXPECT_EQ(TZSMPTE_SMPTEToNanos(at(tc(5, 0, 0, 1, 0))), 10'010'000);
  // Rounded up, so that the time reads back as frame 1.
  EXPECT_EQ(TZSMPTE_SMPTEToNanos(at(tc(1, 0, 0, 0, 1))), 333'334);
  EXPECT_EQ(TZSMPTE_SmpteLikeToNanos(25.0, at(tc(0, 0, 0, 1, 15))), 16'000'000);

  const double inf = std::numeric_limits<double>::infinity();
  for (const double rate : {0.0, -30.0, -0.0, inf, -inf, std::nan("")})
    EXPECT_EQ(TZSMPTE_SmpteLikeToNanos(rate, at(tc(1, 0, 0, 1, 0))), 0) << rate;
  constexpr LONGLONG kLongest = std::numeric_limits<LONGLONG>::max();
  EXPECT_EQ(TZSMPTE_SmpteLikeToNanos(1e-300, at(tc(1, 0, 0, 0, 1))), kLongest);
  EXPECT_EQ(TZSMPTE_SmpteLikeToNanos(1.7e308, at(tc(1, 0, 0, 9, 0))), kLongest);
  for (const LONGLONG time : {kLongest, std::numeric_limits<LONGLONG>::min()}) {
    TZSMPTE_NanoToSMPTE(time, &v);
    EXPECT_TRUE(v.hours < 24 && v.minutes < 60 && v.seconds < 60 && v.frames < 30) << show(v);
  }
}

TEST(SmpteTest, TextSplitsDigitPairsCarriesAndStopsAfterTheFourthNumber) {
  const struct {
    DWORD format;
    const char16_t* text;
    _smpteval expected;
    WCHAR stop;
  } cases[] = {
      {1, u"1:02", tc(1, 0, 0, 1, 2), 0},
      {1, u"01:02:", tc(1, 0, 1, 2, 0), 0},
      {1, u"01:02: ", tc(1, 0, 1, 2, 0), 0},
      {1, u"1 2 3 4  ", tc(1, 1, 2, 3, 4), 0},  // trailing spaces are no text left
      {1, u"12345678", tc(1, 12, 34, 58, 18), 0},
      {1, u"12345", tc(1, 0, 1, 24, 15), 0},  // pairs from the right: 1 23 45
      {1, u"1 2 3 4 5", tc(1, 1, 2, 3, 4), u' '},
      {1, u"1:2:3:4:5", tc(1, 1, 2, 3, 4), u':'},
      {1, u"1234567890", tc(1, 12, 34, 58, 18), u'9'},
      {2, u"x00:01:00;00", tc(2, 0, 1, 0, 0), 0},  // read as written, counted as ;02
      {0, u"99999999", tc(0, 4, 40, 39, 99), 0},   // frames carry only in the six formats
      {1, u"99999999", tc(1, 4, 40, 42, 9), 0},
      {3, u"", tc(3, 0, 0, 0, 0), 0},
      {3, u"ab", tc(3, 0, 0, 0, 0), 0},
  };
  for (const auto& c : cases) {
    _smpteval v = {c.format, 7, 7, 7, 7, 7};
    EXPECT_EQ(TZSMPTE_TextToSMPTE(c.text, &v), c.stop) << show(c.expected);
    EXPECT_EQ(show(v), show(c.expected));
  }
}

TEST(SmpteTest, NullRecordsAndTextsChangeNothing) {
  _smpteval v = tc(1, 1, 2, 3, 4);
  EXPECT_EQ(TZSMPTE_TextToSMPTE(nullptr, &v) + TZSMPTE_TextToSMPTE(u"5", nullptr), 0);
  TZSMPTE_AddSMPTE(&v, nullptr), TZSMPTE_SubtractSMPTE(&v, nullptr), TZSMPTE_AddSMPTE(nullptr, &v);
  TZSMPTE_FrameCountToSMPTE(nullptr, 5), TZSMPTE_NanoToSMPTE(5, nullptr);
  TZSMPTE_IncrementByFrame(nullptr, 0), TZSMPTE_DeccrementByFrame(nullptr, 0);
  EXPECT_EQ(show(v), show(tc(1, 1, 2, 3, 4)));
  EXPECT_EQ(TZSMPTE_SMPTEToFrameCount(nullptr) + TZSMPTE_SMPTECompare(&v, nullptr), 0u);
  EXPECT_EQ(TZSMPTE_SMPTEToNanos(nullptr) + TZSMPTE_SmpteLikeToNanos(30.0, nullptr), 0);
}

// Every label of a day in each format: its count reads back, a step forward or back lands on
// the neighbouring label, and its time converts back to it. Mismatches are counted rather than
// asserted one by one, so that the sweep stays quick under the sanitizers.
TEST(SmpteSweepTest, EveryLabelOfTheDayRoundTripsAndStepsToItsNeighbours) {
  const DWORD days[] = {0, 2592000, 2589408, 2160000, 2073600, 2592000, 2073600};
  for (DWORD format = 1; format <= 6; ++format) {
    const DWORD day = days[format];
    uint32_t mismatches = 0, first = 0;
    const char* what = "";
    const auto check = [&](bool ok, DWORD n, const char* name) {
      if (!ok && mismatches++ == 0) first = n, what = name;
    };
    _smpteval before = fromCount(format, day - 1), label = fromCount(format, 0);
    for (DWORD n = 0; n < day; ++n) {
      const _smpteval after = fromCount(format, n + 1 == day ? 0 : n + 1);
      check(TZSMPTE_SMPTEToFrameCount(&label) == n, n, "count");
      _smpteval v = label;
      TZSMPTE_IncrementByFrame(&v, 0);
      check(same(v, after), n, "increment");
      v = label;
      TZSMPTE_DeccrementByFrame(&v, 0);
      check(same(v, before), n, "decrement");
      TZSMPTE_NanoToSMPTE(TZSMPTE_SMPTEToNanos(&label), &v);
      check(same(v, label), n, "time");
      before = label, label = after;
    }
    EXPECT_EQ(mismatches, 0u) << "format " << format << ", first " << what << " at count " << first
                              << ": " << show(fromCount(format, first));
  }
}

}  // namespace

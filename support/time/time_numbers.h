// The numbers of a time typed as text (clock time, hours-minutes-seconds-frames, feet and
// frames, music time): every run of the digits 0-9 is one number and everything else
// separates them, but for the digit groups of a grouped number where a reader asks for them. A run
// of any other characters is one separator, so the locale's and the library's separators of any
// length need no table, and neither does "+" or a blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "tz/win_types.h"

namespace tz::time {

bool isTimeTextBlank(char16_t c);
const WCHAR* skipTimeTextBlanks(const WCHAR* text);

// Where a reader stopped, for callers that asked.
inline void reportEnd(const WCHAR** end, const WCHAR* at) {
  if (end != nullptr) *end = at;
}

// A null text or position format: nothing is read and `end` receives the text.
inline bool nothingToRead(const WCHAR* text, const void* format, const WCHAR** end) {
  if (text != nullptr && format != nullptr) return false;
  reportEnd(end, text);
  return true;
}

// The locale's thousands separator, or nothing when it is one of `fields`, the separators
// between the fields of a format (where it could not tell a group from a field).
std::u16string_view thousandsSeparatorApartFrom(std::initializer_list<std::u16string_view> fields);

struct TimeNumber {
  int64_t value = 0;  // saturates at the largest 64-bit value
  const WCHAR* digits = nullptr;
  size_t length = 0;  // characters of the number: its digits, leading zeros and groups included
};

// Up to `most` (at most kMost) numbers read from the left of a text, after its leading blanks.
class TimeNumbers {
 public:
  static constexpr int kMost = 4;

  // `text` must not be null. A `group` separator (the locale's thousands separator, passed only
  // where it cannot separate fields) followed by exactly three digits continues a number, so
  // that grouped feet and measures ("1,234+5") read whole.
  TimeNumbers(const WCHAR* text, int most, std::u16string_view group = {});

  int count() const { return count_; }
  const TimeNumber& last() const { return numbers_[count_ - 1]; }  // count() > 0
  // The number at `index` from the left; 0 when fewer were read.
  int64_t fromLeft(int index) const;
  // Field `index` of `fields` aligned to the right: the last number read is the last field.
  int64_t fromRight(int index, int fields) const;
  // After the last number read; the first character after the leading blanks when none was.
  const WCHAR* end() const { return end_; }
  // Whether a blank follows the leading blanks anywhere up to the terminator.
  bool holdsBlank() const;

 private:
  TimeNumber numbers_[kMost];
  int count_ = 0;
  const WCHAR* start_;
  const WCHAR* end_;
};

}  // namespace tz::time

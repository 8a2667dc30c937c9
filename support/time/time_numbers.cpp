// Splitting time text into runs of digits.
#include "support/time/time_numbers.h"

#include <limits>

namespace tz::time {
namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Reads the run at `p`; a run longer than any 64-bit number stops growing at the limit.
TimeNumber readRun(const WCHAR* p) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  TimeNumber number;
  number.digits = p;
  for (; isDigit(p[number.length]); ++number.length) {
    const int digit = p[number.length] - u'0';
    number.value = number.value > (kMax - digit) / 10 ? kMax : number.value * 10 + digit;
  }
  return number;
}

}  // namespace

bool isTimeTextBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

const WCHAR* skipTimeTextBlanks(const WCHAR* text) {
  while (isTimeTextBlank(*text)) ++text;
  return text;
}

TimeNumbers::TimeNumbers(const WCHAR* text, int most) {
  start_ = end_ = skipTimeTextBlanks(text);
  if (most > kMost) most = kMost;
  const WCHAR* p = start_;
  while (count_ < most) {
    while (*p != u'\0' && !isDigit(*p)) ++p;
    if (*p == u'\0') break;
    numbers_[count_] = readRun(p);
    p += numbers_[count_].length;
    end_ = p;
    ++count_;
  }
}

int64_t TimeNumbers::fromLeft(int index) const {
  return index >= 0 && index < count_ ? numbers_[index].value : 0;
}

int64_t TimeNumbers::fromRight(int index, int fields) const {
  return fromLeft(count_ - fields + index);
}

bool TimeNumbers::holdsBlank() const {
  for (const WCHAR* p = start_; *p != u'\0'; ++p)
    if (isTimeTextBlank(*p)) return true;
  return false;
}

}  // namespace tz::time

// Splitting time text into runs of digits.
#include "support/time/time_numbers.h"

#include <limits>

#include "support/time/locale_separators.h"

namespace tz::time {
namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The length of a digit group at `p`: the separator and exactly three digits, or 0.
size_t groupAt(const WCHAR* p, std::u16string_view group) {
  if (group.empty()) return 0;
  for (size_t i = 0; i < group.size(); ++i)
    if (p[i] != group[i]) return 0;  // stops at the terminator, which no separator holds
  const WCHAR* digits = p + group.size();
  if (!isDigit(digits[0]) || !isDigit(digits[1]) || !isDigit(digits[2]) || isDigit(digits[3]))
    return 0;
  return group.size() + 3;
}

// Reads the number at `p`; one longer than any 64-bit number stops growing at the limit.
TimeNumber readRun(const WCHAR* p, std::u16string_view group) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  TimeNumber number;
  number.digits = p;
  for (;;) {
    if (!isDigit(p[number.length])) {
      const size_t skip = number.length > 0 ? groupAt(p + number.length, group) : 0;
      if (skip == 0) break;
      number.length += group.size();
      continue;
    }
    const int digit = p[number.length++] - u'0';
    number.value = number.value > (kMax - digit) / 10 ? kMax : number.value * 10 + digit;
  }
  return number;
}

}  // namespace

std::u16string_view thousandsSeparatorApartFrom(std::initializer_list<std::u16string_view> fields) {
  const std::u16string_view thousands = localeSeparators().thousands;
  for (const std::u16string_view field : fields)
    if (field == thousands) return {};
  return thousands;
}

bool isTimeTextBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

const WCHAR* skipTimeTextBlanks(const WCHAR* text) {
  while (isTimeTextBlank(*text)) ++text;
  return text;
}

TimeNumbers::TimeNumbers(const WCHAR* text, int most, std::u16string_view group) {
  start_ = end_ = skipTimeTextBlanks(text);
  if (most > kMost) most = kMost;
  const WCHAR* p = start_;
  while (count_ < most) {
    while (*p != u'\0' && !isDigit(*p)) ++p;
    if (*p == u'\0') break;
    numbers_[count_] = readRun(p, group);
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

// The locale formatters: the number in a text rounded, grouped and given the locale's
// separators, with what surrounds it copied through. They write into the caller's buffer only.
#include <cstdint>
#include <string_view>

#include "support/time/locale_separators.h"
#include "tz/number_text.h"

namespace tz::time {
namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Writes up to `limit` - 1 characters and always leaves room for the terminator.
class Sink {
 public:
  Sink(WCHAR* buffer, int limit) : buffer_(buffer), room_(limit - 1) {}
  void put(char16_t c) {
    if (written_ < room_) buffer_[written_++] = c;
  }
  void put(std::u16string_view text) {
    for (const char16_t c : text) put(c);
  }
  bool full() const { return written_ >= room_; }
  int finish() {
    buffer_[written_] = u'\0';
    return written_;
  }

 private:
  WCHAR* buffer_;
  int room_;
  int written_ = 0;
};

// The significant digits of a number, rounded half up to a count of decimals. Digit i of the
// result is read without building it, since the source may be longer than any buffer; counts
// are 64-bit because the decimals asked for may be near the largest int.
class RoundedDigits {
 public:
  RoundedDigits(std::u16string_view whole, std::u16string_view fraction, int decimals)
      : whole_(whole), fraction_(fraction), decimals_(decimals) {
    while (!whole_.empty() && whole_.front() == u'0') whole_.remove_prefix(1);
    const int64_t count = static_cast<int64_t>(whole_.size()) + decimals_;
    bump_ = count;  // no rounding up
    if (static_cast<int64_t>(fraction_.size()) > decimals_ && fraction_[decimals_] >= u'5') {
      bump_ = count - 1;
      while (bump_ >= 0 && source(bump_) == u'9') --bump_;
    }
    carry_ = bump_ < 0 ? 1 : 0;  // all nines: a new leading "1"
  }
  int64_t wholeCount() const { return static_cast<int64_t>(whole_.size()) + carry_; }
  int64_t count() const { return wholeCount() + decimals_; }
  char16_t at(int64_t i) const {
    if (carry_ != 0) {
      if (i == 0) return u'1';
      --i;
    }
    if (i < bump_) return source(i);
    return i == bump_ ? static_cast<char16_t>(source(i) + 1) : u'0';
  }
  bool isZero() const {
    if (carry_ != 0 || bump_ < count() || !whole_.empty()) return false;
    const std::u16string_view kept = fraction_.substr(0, static_cast<size_t>(decimals_));
    return kept.find_first_not_of(u'0') == std::u16string_view::npos;
  }

 private:
  char16_t source(int64_t i) const {
    const auto n = static_cast<int64_t>(whole_.size());
    if (i < n) return whole_[i];
    i -= n;
    return i < static_cast<int64_t>(fraction_.size()) ? fraction_[i] : u'0';
  }
  std::u16string_view whole_;
  std::u16string_view fraction_;
  int64_t decimals_;
  int64_t bump_;
  int carry_;
};

// True when a separator goes before a whole digit that has `right` digits after it.
bool groupBoundary(const std::vector<uint8_t>& grouping, int64_t right) {
  if (grouping.empty() || right <= 0) return false;
  int64_t boundary = 0;
  for (size_t g = 0; boundary < right;) {
    if (grouping[g] == 0) return false;
    boundary += grouping[g];
    if (g + 1 < grouping.size()) ++g;  // the last size repeats
  }
  return boundary == right;
}

size_t digitRun(std::u16string_view text, size_t from) {
  while (from < text.size() && isDigit(text[from])) ++from;
  return from;
}

int formatNumber(const WCHAR* source, WCHAR* buffer, int limit, int decimals) {
  if (buffer == nullptr || limit < 1) return 0;
  Sink out(buffer, limit);
  const std::u16string_view text = source != nullptr ? source : u"";
  size_t i = 0;
  // Leading zeros stay as text: "007" keeps "00" and formats the 7.
  while (i < text.size() && ((!isDigit(text[i]) && text[i] != u'-' && text[i] != u'.') ||
                             (text[i] == u'0' && (i + 1 == text.size() || text[i + 1] != u'.'))))
    out.put(text[i++]);
  const size_t start = i;
  const bool negative = i < text.size() && text[i] == u'-';
  if (negative) ++i;
  const size_t wholeEnd = digitRun(text, i);
  const std::u16string_view whole = text.substr(i, wholeEnd - i);
  std::u16string_view fraction;
  i = wholeEnd;
  if (i < text.size() && text[i] == u'.') {
    const size_t fractionEnd = digitRun(text, i + 1);
    fraction = text.substr(i + 1, fractionEnd - i - 1);
    i = fractionEnd;
  }
  if (whole.empty() && fraction.empty()) {  // no number: the rest stays as it is
    out.put(text.substr(start));
    return out.finish();
  }
  if (decimals < 0) decimals = static_cast<int>(fraction.size());
  const LocaleSeparators& locale = localeSeparators();
  const RoundedDigits digits(whole, fraction, decimals);
  if (negative && !digits.isZero()) out.put(u'-');
  const int64_t wholeCount = digits.wholeCount();
  if (wholeCount == 0 && (decimals == 0 || locale.leadingZero)) out.put(u'0');
  // The loops end with the buffer, so a long source costs no more than the limit.
  for (int64_t d = 0; d < wholeCount && !out.full(); ++d) {
    if (d > 0 && groupBoundary(locale.grouping, wholeCount - d)) out.put(locale.thousands);
    out.put(digits.at(d));
  }
  if (decimals > 0) out.put(locale.decimal);
  for (int64_t d = wholeCount; d < digits.count() && !out.full(); ++d) out.put(digits.at(d));
  out.put(text.substr(i));
  return out.finish();
}

int decimalsAfterPoint(const WCHAR* source) {
  const std::u16string_view text = source != nullptr ? source : u"";
  const size_t point = text.find(u'.');
  if (point == std::u16string_view::npos) return 0;
  return static_cast<int>(digitRun(text, point + 1) - point - 1);
}

}  // namespace
}  // namespace tz::time

int TZ_STDCALL TzFormatNumber(const WCHAR* source, WCHAR* buffer, int limit) {
  return tz::time::formatNumber(source, buffer, limit, 0);
}

int TZ_STDCALL TzFormatDecimalNumber(const WCHAR* source, WCHAR* buffer, int limit) {
  return tz::time::formatNumber(source, buffer, limit, tz::time::decimalsAfterPoint(source));
}

int TZ_STDCALL TzFormatGroupDecimalNumber(const WCHAR* source, WCHAR* buffer, int limit,
                                          int decimals) {
  if (decimals == -1) decimals = tz::time::decimalsAfterPoint(source);
  return tz::time::formatNumber(source, buffer, limit, decimals);
}

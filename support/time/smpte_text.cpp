// Reading time code typed as text. The text is scanned in place rather than rewritten into a
// spaced-out copy: a copy would cost memory in proportion to hostile input, and the scan
// keeps every reading position a position of the caller's text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/time/smpte_formats.h"
#include "tz/number_text.h"

namespace tz::time {
namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The numbers of a time-code text from the left. Every non-digit separates numbers, a run of
// digits splits into pairs counted from its right, and after the last digit each character
// that is not a space stands for a 0; spaces at the very end are cut off.
class SmpteNumbers {
 public:
  explicit SmpteNumbers(std::u16string_view text) : text_(text) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (isDigit(text[i])) afterDigits_ = i + 1;
      if (text[i] != u' ') kept_ = i + 1;
    }
  }

  bool atEnd() const { return next_ >= kept_; }
  size_t position() const { return next_; }

  // The next number, false when none is left.
  bool read(uint32_t& number) {
    while (next_ < afterDigits_ && !isDigit(text_[next_])) ++next_;
    if (next_ < afterDigits_) {
      number = readPair();
      return true;
    }
    while (next_ < kept_) {
      if (text_[next_++] != u' ') {
        number = 0;
        return true;
      }
    }
    return false;
  }

 private:
  uint32_t readPair() {
    size_t run = next_;
    while (run < afterDigits_ && isDigit(text_[run])) ++run;
    const size_t width = (run - next_) % 2 == 1 ? 1 : 2;
    // A pair at a time: the reader sees only digits, whichever of its locale separators
    // the text holds.
    const WCHAR pair[3] = {text_[next_], width == 2 ? text_[next_ + 1] : u'\0', u'\0'};
    next_ += width;
    return TzTextToDWordToken(pair, nullptr);
  }

  std::u16string_view text_;
  size_t afterDigits_ = 0;  // from here on only separators, each a 0 field
  size_t kept_ = 0;         // from here on only the spaces that are cut off
  size_t next_ = 0;
};

// Each number read shifts the fields left, so the last number read is always the frames.
WCHAR readFields(const WCHAR* text, uint32_t (&fields)[4]) {
  const std::u16string_view whole(text);
  SmpteNumbers numbers(whole);
  uint32_t number = 0;
  for (int count = 0; count < 4; ++count) {
    if (!numbers.read(number)) return 0;
    fields[0] = fields[1], fields[1] = fields[2], fields[2] = fields[3], fields[3] = number;
  }
  return numbers.atEnd() ? 0 : whole[numbers.position()];
}

// Fields of at most two digits each: no sum here can overflow.
void carryFields(const SmpteFormat& format, uint32_t (&fields)[4], _smpteval& value) {
  uint32_t& hours = fields[0];
  uint32_t& minutes = fields[1];
  uint32_t& seconds = fields[2];
  uint32_t& frames = fields[3];
  if (format.counted) {
    seconds += frames / format.labelsPerSecond;
    frames %= format.labelsPerSecond;
  }
  minutes += seconds / 60;
  seconds %= 60;
  hours += minutes / 60;
  minutes %= 60;
  value.hours = hours % 24;
  value.minutes = minutes;
  value.seconds = seconds;
  value.frames = frames;
}

}  // namespace
}  // namespace tz::time

WCHAR TZ_STDCALL TZSMPTE_TextToSMPTE(const WCHAR* text, _smpteval* value) {
  if (text == nullptr || value == nullptr) return 0;
  uint32_t fields[4] = {};
  const WCHAR stop = tz::time::readFields(text, fields);
  tz::time::carryFields(tz::time::smpteFormat(value->format), fields, *value);
  value->reserved = 0;
  return stop;
}

// Integers, doubles and four-character codes to text. Digits are produced from the magnitude
// in unsigned arithmetic, so the most negative values need no special case.
#include <charconv>
#include <cmath>
#include <limits>

#include "tz/number_text.h"

namespace tz::time {
namespace {

// Writes the digits of `magnitude` after an optional "-"; returns the characters written.
int writeDigits(WCHAR* out, bool negative, uint64_t magnitude) {
  WCHAR reversed[20];
  int n = 0;
  do {
    reversed[n++] = static_cast<WCHAR>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  int written = 0;
  if (negative) out[written++] = u'-';
  while (n > 0) out[written++] = reversed[--n];
  out[written] = u'\0';
  return written;
}

int integerText(bool negative, uint64_t magnitude, WCHAR* buffer, BOOL group) {
  if (magnitude == 0) return writeDigits(buffer, false, 0);  // "0" needs no locale
  if (!group) return writeDigits(buffer, negative, magnitude);
  WCHAR digits[TZ_INT64_TEXT_MAX];
  writeDigits(digits, negative, magnitude);
  return TzFormatNumber(digits, buffer, TZ_GROUPED_TEXT_MAX);
}

uint64_t magnitudeOf(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// The integer part of a double in exact digits; up to 309 of them.
int wholeDigits(WCHAR* out, double whole) {
  char digits[std::numeric_limits<double>::max_exponent10 + 2];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, whole, std::chars_format::fixed, 0);
  const int n = static_cast<int>(result.ptr - digits);
  for (int i = 0; i < n; ++i) out[i] = static_cast<WCHAR>(digits[i]);
  return n;
}

}  // namespace
}  // namespace tz::time

int TZ_STDCALL TzLongToText(LONG value, WCHAR* buffer, BOOL group) {
  return tz::time::integerText(value < 0, tz::time::magnitudeOf(value), buffer, group);
}

int TZ_STDCALL TzDWordToText(DWORD value, WCHAR* buffer, BOOL group) {
  return tz::time::integerText(false, value, buffer, group);
}

int TZ_STDCALL TzDWordLongToText(DWORD low, DWORD high, WCHAR* buffer, BOOL group) {
  if (high == 0) return TzDWordToText(low, buffer, group);
  return tz::time::integerText(false, static_cast<uint64_t>(high) << 32 | low, buffer, group);
}

int TZ_STDCALL TzLongLongToText(LONGLONG value, WCHAR* buffer, BOOL group) {
  return tz::time::integerText(value < 0, tz::time::magnitudeOf(value), buffer, group);
}

int TZ_STDCALL TzDoubleToText(WCHAR* buffer, double value, int decimals, BOOL group) {
  decimals = decimals < 0 ? 0 : decimals > 9 ? 9 : decimals;
  if (std::isnan(value)) value = 0;
  if (std::isinf(value)) value = std::copysign(std::numeric_limits<double>::max(), value);
  uint32_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const double x = std::fabs(value) + 0.5 / scale;
  const double whole = std::trunc(x);
  auto fraction = static_cast<uint32_t>((x - whole) * scale);
  // The product can round up to the scale itself, which would print a wrong fraction.
  if (fraction >= scale) fraction = scale - 1;
  WCHAR text[TZ_DOUBLE_TEXT_MAX];
  int n = 0;
  if (value < 0 && (whole != 0 || fraction != 0)) text[n++] = u'-';
  n += tz::time::wholeDigits(text + n, whole);
  if (decimals > 0) {
    // 10^decimals + fraction keeps the fraction's leading zeros; its "1" becomes the point.
    n += tz::time::writeDigits(text + n, false, scale + fraction);
    text[n - decimals - 1] = u'.';
  }
  text[n] = u'\0';
  if (!group) {
    for (int i = 0; i <= n; ++i) buffer[i] = text[i];
    return n;
  }
  return TzFormatGroupDecimalNumber(text, buffer, TZ_GROUPED_TEXT_MAX, decimals);
}

WCHAR* TZ_STDCALL TzFourCCToString(DWORD code, WCHAR* buffer) {
  for (int i = 0; i < 4; ++i) {
    const DWORD byte = code >> (8 * i) & 0xFF;
    buffer[i] = byte >= 32 && byte <= 126 ? static_cast<WCHAR>(byte) : u'.';
  }
  buffer[4] = u'\0';
  return buffer;
}

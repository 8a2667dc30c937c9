// The floating-point conversions (e E f g G), exact and independent of the C locale: digits come
// from std::to_chars, never from snprintf, whose decimal point is the locale's.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "support/core/wide_format_internal.h"

namespace tz::core {
namespace {

// A double's exact decimal expansion has at most 1074 digits after the point and 767
// significant ones, so past this precision every further digit is a zero: those are counted,
// not computed, and a huge precision costs neither stack nor time.
constexpr int64_t kExactDigits = 1100;
// The longest text: 309 integer digits, the point and kExactDigits fraction digits.
constexpr size_t kTextSize = kExactDigits + 320;

struct FloatText {
  char text[kTextSize];
  size_t mantissaEnd = 0;  // where the exponent starts; the length when there is none
  size_t length = 0;
  uint64_t trailingZeros = 0;
};

// A non-negative finite value in fixed or scientific notation with `precision` digits after
// the point; "#" keeps the point when there are none.
void spell(FloatText& out, double value, bool scientific, int64_t precision, bool alternate) {
  const int64_t computed = precision < kExactDigits ? precision : kExactDigits;
  const auto format = scientific ? std::chars_format::scientific : std::chars_format::fixed;
  // The text always fits, so the result needs no check; an empty text is the safe fallback.
  const auto result =
      std::to_chars(out.text, out.text + kTextSize - 1, value, format, static_cast<int>(computed));
  out.length = result.ec == std::errc{} ? static_cast<size_t>(result.ptr - out.text) : 0;
  out.trailingZeros = static_cast<uint64_t>(precision - computed);
  const std::string_view text(out.text, out.length);
  out.mantissaEnd = scientific ? text.find('e') : out.length;
  if (out.mantissaEnd > out.length) out.mantissaEnd = out.length;
  if (alternate && text.substr(0, out.mantissaEnd).find('.') == std::string_view::npos) {
    std::memmove(out.text + out.mantissaEnd + 1, out.text + out.mantissaEnd,
                 out.length - out.mantissaEnd);
    out.text[out.mantissaEnd] = '.';
    ++out.mantissaEnd;
    ++out.length;
  }
}

// The exponent of a scientific text ("e+05", "e-324").
int exponentOf(const FloatText& text) {
  int exponent = 0;
  for (size_t i = text.mantissaEnd + 2; i < text.length; ++i)
    exponent = exponent * 10 + (text.text[i] - '0');
  const bool negative =
      text.mantissaEnd + 1 < text.length && text.text[text.mantissaEnd + 1] == '-';
  return negative ? -exponent : exponent;
}

// Drops the zeros that end the fraction, and the point when nothing is left after it.
void stripFractionZeros(FloatText& out) {
  const std::string_view mantissa(out.text, out.mantissaEnd);
  if (mantissa.find('.') == std::string_view::npos) return;
  size_t end = mantissa.find_last_not_of('0');
  if (mantissa[end] == '.') --end;
  const size_t removed = out.mantissaEnd - (end + 1);
  std::memmove(out.text + end + 1, out.text + out.mantissaEnd, out.length - out.mantissaEnd);
  out.mantissaEnd -= removed;
  out.length -= removed;
  out.trailingZeros = 0;
}

// %g: `precision` significant digits, in scientific notation when the exponent X that notation
// would show is below -4 or not below the precision, else in fixed notation.
void spellGeneral(FloatText& out, double value, int64_t precision, bool alternate) {
  const int64_t significant = precision == 0 ? 1 : precision;
  spell(out, value, true, significant - 1, alternate);
  const int exponent = exponentOf(out);
  if (exponent >= -4 && exponent < significant)
    spell(out, value, false, significant - 1 - exponent, alternate);
  if (!alternate) stripFractionZeros(out);
}

}  // namespace

void formatFloat(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink) {
  const double value = args.nextDouble();
  const char16_t letter = conversion.letter;
  const bool upper = letter == u'E' || letter == u'G';
  NumberField field;
  field.prefix = signPrefix(std::signbit(value), conversion);
  if (!std::isfinite(value)) {
    field.digits = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    return writeNumber(sink, conversion, field, false);
  }

  FloatText text;
  const int64_t precision = conversion.precision < 0 ? 6 : conversion.precision;
  if (letter == u'f')
    spell(text, std::fabs(value), false, precision, conversion.alternate);
  else if (letter == u'e' || letter == u'E')
    spell(text, std::fabs(value), true, precision, conversion.alternate);
  else
    spellGeneral(text, std::fabs(value), precision, conversion.alternate);
  if (upper && text.mantissaEnd < text.length) text.text[text.mantissaEnd] = 'E';

  field.digits = {text.text, text.mantissaEnd};
  field.trailingZeros = text.trailingZeros;
  field.suffix = {text.text + text.mantissaEnd, text.length - text.mantissaEnd};
  writeNumber(sink, conversion, field, true);
}

}  // namespace tz::core

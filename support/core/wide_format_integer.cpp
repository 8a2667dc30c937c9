// The integer conversions (d i u o x X) and %p: the argument's width from the size prefix,
// sign and radix prefixes, precision as a minimum of digits.
#include <cstdint>
#include <string_view>

#include "support/core/wide_format_internal.h"

namespace tz::core {
namespace {

using Size = ConversionSpec::Size;

// A value as a sign and a magnitude, so that the most negative values need no negation.
struct Magnitude {
  bool negative = false;
  uint64_t value = 0;
};

Magnitude readSigned(const ConversionSpec& conversion, FormatArguments& args) {
  int64_t value = 0;
  if (conversion.wide64())
    value = args.nextInt64();
  else if (conversion.size == Size::Short)
    value = static_cast<int16_t>(args.nextInt32());
  else
    value = args.nextInt32();
  const uint64_t bits = static_cast<uint64_t>(value);
  return {value < 0, value < 0 ? 0 - bits : bits};
}

uint64_t readUnsigned(const ConversionSpec& conversion, FormatArguments& args) {
  if (conversion.wide64()) return static_cast<uint64_t>(args.nextInt64());
  const auto value = static_cast<uint32_t>(args.nextInt32());
  return conversion.size == Size::Short ? static_cast<uint16_t>(value) : value;
}

// Writes the digits at the end of `buffer` and returns them; 0 gives "0".
std::string_view toDigits(uint64_t value, unsigned radix, bool upper, char (&buffer)[24]) {
  const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char* end = buffer + sizeof buffer;
  char* begin = end;
  do {
    *--begin = digitSet[value % radix];
    value /= radix;
  } while (value != 0);
  return {begin, static_cast<size_t>(end - begin)};
}

}  // namespace

void formatInteger(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink) {
  const char16_t letter = conversion.letter;
  Magnitude number;
  if (letter == u'd' || letter == u'i')
    number = readSigned(conversion, args);
  else
    number.value = readUnsigned(conversion, args);

  const unsigned radix = letter == u'o' ? 8 : letter == u'x' || letter == u'X' ? 16 : 10;
  char buffer[24];
  std::string_view digits = toDigits(number.value, radix, letter == u'X', buffer);
  // An explicit precision 0 prints no digits for 0.
  if (number.value == 0 && conversion.precision == 0) digits = {};

  NumberField field;
  field.digits = digits;
  const uint64_t precision =
      conversion.precision > 0 ? static_cast<uint64_t>(conversion.precision) : 0;
  field.leadingZeros = precision > digits.size() ? precision - digits.size() : 0;
  if (radix == 10) {
    if (letter != u'u') field.prefix = signPrefix(number.negative, conversion);
  } else if (conversion.alternate && radix == 8) {
    // "#" makes the first digit a 0, adding one only when there is none.
    if (field.leadingZeros == 0 && (digits.empty() || digits[0] != '0')) field.leadingZeros = 1;
  } else if (conversion.alternate && number.value != 0) {
    field.prefix = letter == u'X' ? "0X" : "0x";
  }
  // The "0" flag gives way to an explicit precision.
  writeNumber(sink, conversion, field, conversion.precision < 0);
}

// Always eight upper-case hex digits: "#", "0", the sign flags and any precision change
// nothing; width and "-" place the field.
void formatPointer(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink) {
  char buffer[24];
  const std::string_view digits = toDigits(args.nextPointer(), 16, true, buffer);
  NumberField field;
  field.leadingZeros = 8 - digits.size();
  field.digits = digits;
  writeNumber(sink, conversion, field, false);
}

}  // namespace tz::core

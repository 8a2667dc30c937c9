// The library's printf for UTF-16 text, with the original runtime's rules for wide text
// ("%s" wide, "%S" and "%hs" 8-bit), bounded by its capacity. "%n" is never honoured. No call
// allocates or locks; a conversion takes at most about 1.5 KB of stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_sink.h"

namespace tz::core {

// One conversion: "%" flags width "." precision size letter.
struct ConversionSpec {
  enum class Size : uint8_t { Default, Short, Long, LongLong, Int32, Int64, LongDouble };
  bool leftAlign = false;              // "-"
  bool plusSign = false;               // "+"
  bool spaceSign = false;              // " "
  bool alternate = false;              // "#"
  bool zeroPad = false;                // "0"
  bool widthFromArgument = false;      // "*"
  bool precisionFromArgument = false;  // ".*"
  int width = 0;                       // held to INT32_MAX
  int precision = -1;                  // -1 when none is given
  Size size = Size::Default;
  char16_t letter = 0;
  // True when the conversion reads a 64-bit integer ("ll", "I64").
  bool wide64() const { return size == Size::LongLong || size == Size::Int64; }
};

// Parses the conversion that starts with the "%" at text[0]. Well-formed is: flags, then a
// width (digits or "*"), then "." and a precision (digits, "*" or nothing), then a size prefix
// that suits the letter, then one of the letters c C s S d i u o x X e E f g G p. The prefixes
// are h l ll I32 I64 and I (32 bits, the pointer size) for integers; l (ignored) and L for
// floats; h (8-bit) and l or w (wide) for characters and texts; none for p. Digit runs saturate
// at INT32_MAX. Returns the characters it covers, "%" and letter included, or 0 when the text
// is not well-formed there ("%n" and "%%" included); the result is written only on success.
size_t parseConversion(std::u16string_view text, ConversionSpec& conversion);

// What a well-formed conversion reads for its value (after the integers of any "*"): text of
// either width, a 32-bit or 64-bit integer (characters and pointers are 32-bit), or a double.
FormatArgument::Kind argumentKind(const ConversionSpec& conversion);

// Writes one conversion, taking its arguments ("*" ones first) from args. Whatever it holds
// is safe: a width below 0 counts as 0, a precision below 0 as none, a letter outside the set
// writes and reads nothing. Padding and zeros never go past the sink's room, so no width or
// precision costs more than the capacity.
void formatConversion(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);

// The whole format: ordinary characters are copied, "%%" writes "%", a well-formed
// conversion is formatted, and an ill-formed one is copied as it stands, up to and including
// the character where parsing failed (all of the rest when the format ends first), taking no
// argument: "%n%d" with 5 writes "%n5", "%hhd" writes "%hhd". Returns the characters written
// (at most the capacity less one); the sink says whether the text was cut.
size_t formatWide(WideSink& sink, std::u16string_view format, FormatArguments& args);

}  // namespace tz::core

// The library's printf for UTF-16 text, with the original runtime's rules for wide text
// ("%s" wide, "%S" and "%hs" 8-bit), bounded by its capacity. "%n" is never honoured.
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
  bool leftAlign = false;  // "-"
  bool plusSign = false;   // "+"
  bool spaceSign = false;  // " "
  bool alternate = false;  // "#"
  bool zeroPad = false;    // "0"
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
// that suits the letter, then one of the letters c C s S d i u o x X e E f g G p. Returns the
// characters it covers, "%" and letter included, or 0 when the text is not well-formed there
// ("%n" included).
size_t parseConversion(std::u16string_view text, ConversionSpec& spec);

// Writes one parsed conversion, taking its arguments ("*" ones first) from args.
void formatConversion(const ConversionSpec& spec, FormatArguments& args, WideSink& sink);

// The whole format: ordinary characters are copied, "%%" writes "%", a well-formed
// conversion is formatted, and anything else that starts with "%" is copied as it stands.
// Returns the characters written; the sink says whether the text was cut.
size_t formatWide(WideSink& sink, std::u16string_view format, FormatArguments& args);

}  // namespace tz::core

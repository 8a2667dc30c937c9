// What the formatter's files share: the parser's failure position, the field alignment every
// conversion uses, and one writer per family of conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_format.h"
#include "support/core/wide_sink.h"

namespace tz::core {

// parseConversion that also says, on failure, how many characters the ill-formed run covers:
// up to and including the one where parsing failed, or the rest of the text when it ended.
size_t parseConversionRun(std::u16string_view text, ConversionSpec& conversion, size_t& run);

// The writers get a conversion whose "*" values are resolved, whose width and precision are in
// range and whose overriding flags ("-" over "0", "+" over " ") are already applied.
void formatInteger(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);
void formatPointer(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);
void formatFloat(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);
void formatCharacter(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);
void formatText(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink);

// "h" asks for 8-bit text, "l" and "w" for wide; without a prefix the lower-case letter is wide.
inline bool isNarrow(const ConversionSpec& conversion) {
  if (conversion.size == ConversionSpec::Size::Short) return true;
  if (conversion.size == ConversionSpec::Size::Long) return false;
  return conversion.letter == u'C' || conversion.letter == u'S';
}

// Counts beyond the sink's room only fill the room, so a count is clamped, never wrapped.
inline void fillClamped(WideSink& sink, char16_t c, uint64_t count) {
  constexpr uint64_t kMax = std::numeric_limits<size_t>::max();
  sink.fill(c, static_cast<size_t>(count < kMax ? count : kMax));
}

inline void putAscii(WideSink& sink, std::string_view text) {
  for (char c : text) sink.put(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

// Writes a field of `length` characters within the conversion's width: spaces before it, or after
// it with "-". With "0" (and zeros allowed) the padding is handed to the body as a count of zeros,
// which it puts after its sign or prefix.
template <typename Body>
void writeAligned(WideSink& sink, const ConversionSpec& conversion, uint64_t length,
                  bool zerosAllowed, Body&& body) {
  const uint64_t width = static_cast<uint64_t>(conversion.width);
  const uint64_t padding = width > length ? width - length : 0;
  const bool zeros = zerosAllowed && conversion.zeroPad && !conversion.leftAlign;
  if (!conversion.leftAlign && !zeros) fillClamped(sink, u' ', padding);
  body(zeros ? padding : 0);
  if (conversion.leftAlign) fillClamped(sink, u' ', padding);
}

// A number's text: sign or radix prefix, zeros, ASCII digits, zeros past the exactly computed
// digits of a double, and an exponent.
struct NumberField {
  std::string_view prefix;
  uint64_t leadingZeros = 0;
  std::string_view digits;
  uint64_t trailingZeros = 0;
  std::string_view suffix;
};

inline void writeNumber(WideSink& sink, const ConversionSpec& conversion, const NumberField& field,
                        bool zerosAllowed) {
  const uint64_t length = field.prefix.size() + field.leadingZeros + field.digits.size() +
                          field.trailingZeros + field.suffix.size();
  writeAligned(sink, conversion, length, zerosAllowed, [&](uint64_t padZeros) {
    putAscii(sink, field.prefix);
    fillClamped(sink, u'0', field.leadingZeros + padZeros);
    putAscii(sink, field.digits);
    fillClamped(sink, u'0', field.trailingZeros);
    putAscii(sink, field.suffix);
  });
}

// The sign of a signed conversion: "-", else "+" or " " when asked for, else nothing.
inline std::string_view signPrefix(bool negative, const ConversionSpec& conversion) {
  if (negative) return "-";
  if (conversion.plusSign) return "+";
  if (conversion.spaceSign) return " ";
  return {};
}

}  // namespace tz::core

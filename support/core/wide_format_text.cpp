// The character and text conversions: wide (UTF-16) and 8-bit (UTF-8) texts and characters.
// Texts are read only as far as the field needs, never past their terminator.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "support/core/wide_format_internal.h"
#include "support/platform/text_encoding.h"

namespace tz::core {
namespace {

using Size = ConversionSpec::Size;

constexpr char16_t kReplacement = 0xFFFD;

// One code point of UTF-8 and the bytes it takes. An ill-formed sequence gives U+FFFD for its
// longest start that could have begun a valid one, so the decoder resumes at the byte that broke
// it and a 0 byte always stops the text.
size_t decodeUtf8(const unsigned char* text, char32_t& point) {
  const unsigned lead = text[0];
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  point = kReplacement;
  size_t more = 0;
  unsigned low = 0x80, high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 1;
  }
  for (size_t i = 1; i <= more; ++i) {
    const unsigned next = text[i];
    if (next < low || next > high) return i;
    value = value << 6 | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  point = value;
  return more + 1;
}

// Hands the UTF-16 units of UTF-8 text to `put`, at most `limit` of them; a pair that would not
// fit whole is left out. Returns the units handed over.
template <typename Put>
size_t decodeNarrow(const char* text, size_t limit, Put&& put) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t units = 0;
  while (*bytes != 0) {
    char32_t point = 0;
    bytes += decodeUtf8(bytes, point);
    char16_t pair[2];
    const size_t need = platform::encodeUtf16(point, pair);
    if (limit - units < need) break;
    for (size_t k = 0; k < need; ++k) put(pair[k]);
    units += need;
  }
  return units;
}

// The characters a text field may show: its precision, and no more than it takes to fill the
// width or overflow the sink (room + 2, so that a surrogate pair cannot stop short of the end
// and leave the sink unaware it was cut), which is all that can change what is written.
size_t shownLimit(const ConversionSpec& conversion, const WideSink& sink) {
  const size_t room = std::min(sink.room(), std::numeric_limits<size_t>::max() - 2);
  const size_t needed = std::max(static_cast<size_t>(conversion.width), room + 2);
  return conversion.precision < 0 ? needed
                                  : std::min(static_cast<size_t>(conversion.precision), needed);
}

void writeWide(const ConversionSpec& conversion, const char16_t* text, WideSink& sink) {
  if (text == nullptr) text = u"(null)";
  const size_t limit = shownLimit(conversion, sink);
  size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  // Like the original runtime, "0" pads texts and characters with zeros too.
  writeAligned(sink, conversion, length, true, [&](uint64_t zeros) {
    fillClamped(sink, u'0', zeros);
    sink.append({text, length});
  });
}

void writeNarrow(const ConversionSpec& conversion, const char* text, WideSink& sink) {
  if (text == nullptr) text = "(null)";
  const size_t length = decodeNarrow(text, shownLimit(conversion, sink), [](char16_t) {});
  writeAligned(sink, conversion, length, true, [&](uint64_t zeros) {
    fillClamped(sink, u'0', zeros);
    decodeNarrow(text, length, [&](char16_t c) { sink.put(c); });
  });
}

}  // namespace

void formatText(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink) {
  if (isNarrow(conversion))
    writeNarrow(conversion, args.nextNarrowText(), sink);
  else
    writeWide(conversion, args.nextWideText(), sink);
}

// A character is a 32-bit argument: its low 16 bits as UTF-16, or its low 8 bits as Latin-1.
void formatCharacter(const ConversionSpec& conversion, FormatArguments& args, WideSink& sink) {
  const auto value = static_cast<uint32_t>(args.nextInt32());
  const char16_t c =
      isNarrow(conversion) ? static_cast<uint8_t>(value) : static_cast<uint16_t>(value);
  writeAligned(sink, conversion, 1, true, [&](uint64_t zeros) {
    fillClamped(sink, u'0', zeros);
    sink.put(c);
  });
}

}  // namespace tz::core

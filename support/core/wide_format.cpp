// The formatter's parser and driver: which conversions are well-formed, how "*" values are
// read, and what becomes of text that is not a conversion. The families write in their files.
#include <cstdint>
#include <limits>

#include "support/core/wide_format_internal.h"

namespace tz::core {
namespace {

using Size = ConversionSpec::Size;

// The size prefixes as written; "w" and bare "I" (pointer-sized) are kept apart here because
// they suit other letters than the prefixes they mean the same as.
enum class Prefix : uint8_t { None, H, L, LL, I, I32, I64, W, BigL };

constexpr int kMaxDigitValue = std::numeric_limits<int32_t>::max();

// Takes c as a flag when it is one.
bool readFlag(char16_t c, ConversionSpec& conversion) {
  bool* flag = c == u'-'   ? &conversion.leftAlign
               : c == u'+' ? &conversion.plusSign
               : c == u' ' ? &conversion.spaceSign
               : c == u'#' ? &conversion.alternate
               : c == u'0' ? &conversion.zeroPad
                           : nullptr;
  if (flag != nullptr) *flag = true;
  return flag != nullptr;
}

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// A run of digits, saturating at INT32_MAX rather than overflowing.
int readDigits(std::u16string_view text, size_t& i) {
  int value = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    const int digit = text[i] - u'0';
    value = value > (kMaxDigitValue - digit) / 10 ? kMaxDigitValue : value * 10 + digit;
  }
  return value;
}

bool startsWith(std::u16string_view text, size_t i, std::u16string_view what) {
  return text.substr(i).substr(0, what.size()) == what;
}

Prefix readPrefix(std::u16string_view text, size_t& i) {
  if (i >= text.size()) return Prefix::None;
  switch (text[i]) {
    case u'h':
      return ++i, Prefix::H;
    case u'l':
      if (startsWith(text, i, u"ll")) return i += 2, Prefix::LL;
      return ++i, Prefix::L;
    case u'L':
      return ++i, Prefix::BigL;
    case u'w':
      return ++i, Prefix::W;
    case u'I':
      if (startsWith(text, i, u"I32")) return i += 3, Prefix::I32;
      if (startsWith(text, i, u"I64")) return i += 3, Prefix::I64;
      return ++i, Prefix::I;
    default:
      return Prefix::None;
  }
}

// The size a prefix gives the letter, or false when the prefix does not suit it ("n" and every
// letter outside the set suit nothing).
bool sizeFor(char16_t letter, Prefix prefix, Size& size) {
  static constexpr std::u16string_view kIntegers = u"diuoxX";
  static constexpr std::u16string_view kFloats = u"eEfgG";
  static constexpr std::u16string_view kTexts = u"cCsS";
  static constexpr Size kIntegerSizes[] = {Size::Default, Size::Short, Size::Long, Size::LongLong,
                                           Size::Int32,   Size::Int32, Size::Int64};
  if (kIntegers.find(letter) != std::u16string_view::npos) {
    if (prefix > Prefix::I64) return false;
    size = kIntegerSizes[static_cast<int>(prefix)];
    return true;
  }
  if (kFloats.find(letter) != std::u16string_view::npos) {
    if (prefix != Prefix::None && prefix != Prefix::L && prefix != Prefix::BigL) return false;
    size = prefix == Prefix::None ? Size::Default
           : prefix == Prefix::L  ? Size::Long
                                  : Size::LongDouble;
    return true;
  }
  if (kTexts.find(letter) != std::u16string_view::npos) {
    if (prefix != Prefix::None && prefix != Prefix::H && prefix != Prefix::L && prefix != Prefix::W)
      return false;
    size = prefix == Prefix::None ? Size::Default : prefix == Prefix::H ? Size::Short : Size::Long;
    return true;
  }
  size = Size::Default;
  return letter == u'p' && prefix == Prefix::None;
}

// Reads "*" values, then settles the flags that override others and holds values in range
// (a conversion built by hand may carry anything).
ConversionSpec resolve(const ConversionSpec& parsed, FormatArguments& args) {
  ConversionSpec conversion = parsed;
  if (conversion.widthFromArgument) {
    const int32_t width = args.nextInt32();
    if (width < 0) conversion.leftAlign = true;
    conversion.width = width >= 0 ? width : width == INT32_MIN ? kMaxDigitValue : -width;
  }
  if (conversion.precisionFromArgument) conversion.precision = args.nextInt32();
  if (conversion.width < 0) conversion.width = 0;
  if (conversion.precision < 0) conversion.precision = -1;
  if (conversion.leftAlign) conversion.zeroPad = false;
  if (conversion.plusSign) conversion.spaceSign = false;
  return conversion;
}

using Writer = void (*)(const ConversionSpec&, FormatArguments&, WideSink&);

Writer writerFor(char16_t letter) {
  switch (letter) {
    case u'd':
    case u'i':
    case u'u':
    case u'o':
    case u'x':
    case u'X':
      return formatInteger;
    case u'e':
    case u'E':
    case u'f':
    case u'g':
    case u'G':
      return formatFloat;
    case u'c':
    case u'C':
      return formatCharacter;
    case u's':
    case u'S':
      return formatText;
    case u'p':
      return formatPointer;
    default:
      return nullptr;
  }
}

}  // namespace

FormatArgument::Kind argumentKind(const ConversionSpec& conversion) {
  using Kind = FormatArgument::Kind;
  const Writer writer = writerFor(conversion.letter);
  if (writer == formatText) return isNarrow(conversion) ? Kind::NarrowText : Kind::WideText;
  if (writer == formatFloat) return Kind::Double;
  if (writer == formatInteger && conversion.wide64()) return Kind::Int64;
  return Kind::Int32;
}

size_t parseConversionRun(std::u16string_view text, ConversionSpec& conversion, size_t& run) {
  run = text.empty() ? 0 : 1;
  if (text.empty() || text[0] != u'%') return 0;
  ConversionSpec parsed;
  size_t i = 1;
  while (i < text.size() && readFlag(text[i], parsed)) ++i;
  if (i < text.size() && text[i] == u'*') {
    parsed.widthFromArgument = true;
    ++i;
  } else {
    parsed.width = readDigits(text, i);
  }
  if (i < text.size() && text[i] == u'.') {
    ++i;
    if (i < text.size() && text[i] == u'*') {
      parsed.precisionFromArgument = true;
      ++i;
    } else {
      parsed.precision = readDigits(text, i);
    }
  }
  const Prefix prefix = readPrefix(text, i);
  if (i >= text.size()) {
    run = text.size();
    return 0;
  }
  parsed.letter = text[i];
  run = i + 1;
  if (!sizeFor(parsed.letter, prefix, parsed.size)) return 0;
  conversion = parsed;
  return run;
}

size_t parseConversion(std::u16string_view text, ConversionSpec& conversion) {
  size_t run = 0;
  return parseConversionRun(text, conversion, run);
}

void formatConversion(const ConversionSpec& parsed, FormatArguments& args, WideSink& sink) {
  const Writer writer = writerFor(parsed.letter);
  if (writer != nullptr) writer(resolve(parsed, args), args, sink);
}

size_t formatWide(WideSink& sink, std::u16string_view format, FormatArguments& args) {
  const size_t start = sink.length();
  size_t i = 0;
  while (i < format.size() && !(sink.truncated() && sink.room() == 0)) {
    const size_t percent = format.find(u'%', i);
    if (percent != i) {
      sink.append(format.substr(i, percent - i));
      i = percent < format.size() ? percent : format.size();
      continue;
    }
    if (startsWith(format, i, u"%%")) {
      sink.put(u'%');
      i += 2;
      continue;
    }
    ConversionSpec conversion;
    size_t run = 0;
    if (parseConversionRun(format.substr(i), conversion, run) != 0)
      formatConversion(conversion, args, sink);
    else
      sink.append(format.substr(i, run));
    i += run;
  }
  return sink.length() - start;
}

}  // namespace tz::core

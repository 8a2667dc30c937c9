// One conversion of the formatted print: the separators, the integers of the number-text
// writers, the fixed-point "z", and everything the ordinary formatter writes, passed through
// the locale formatters for a "$" conversion.
#include "support/ui/print_conversions.h"

#include <algorithm>
#include <climits>
#include <string>

#include "support/core/wide_format.h"
#include "support/time/locale_separators.h"
#include "tz/number_text.h"

namespace tz::ui {
namespace {

constexpr size_t kMaxConversion = 260;
constexpr std::u16string_view kConversionLetters = u"!&*,:EGXcdefgiosuxz";
// More decimals than this only add zeros past any buffer the print writes into.
constexpr size_t kMaxFixedDecimals = 4096;

using time::LibrarySeparatorId;

// The separator that "!" or "&" names by the character after it, or null.
const char16_t* namedSeparator(char16_t letter, char16_t which) {
  if (letter == u'!') {
    if (which == u':') return time::librarySeparator(LibrarySeparatorId::SmpteWhole);
    if (which == u'.') return time::librarySeparator(LibrarySeparatorId::SmpteNonDrop);
    if (which == u',') return time::librarySeparator(LibrarySeparatorId::SmpteDrop);
    return nullptr;
  }
  if (which == u':') return time::librarySeparator(LibrarySeparatorId::MeasuresBeats);
  if (which == u'.') return time::librarySeparator(LibrarySeparatorId::BeatsTicks);
  return nullptr;
}

// "%." digits "z": the digit count, or 0 when the text has another form.
size_t fixedPointDecimals(std::u16string_view text) {
  if (text.size() < 4 || text[1] != u'.') return 0;
  size_t decimals = 0;
  for (char16_t c : text.substr(2, text.size() - 3)) {
    if (c < u'0' || c > u'9') return 0;
    decimals = std::min(kMaxFixedDecimals, decimals * 10 + (c - u'0'));
  }
  return decimals;
}

// value / 10^decimals exactly, as text with that many decimals.
std::u16string fixedPointText(int32_t value, size_t decimals) {
  const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : value;
  std::u16string digits;
  for (uint32_t rest = magnitude; rest != 0 || digits.empty(); rest /= 10)
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + rest % 10));
  if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), u'0');
  digits.insert(digits.size() - decimals, 1, u'.');
  return value < 0 ? u"-" + digits : digits;
}

bool isIntegerLetter(char16_t letter) {
  return letter == u'd' || letter == u'i' || letter == u'u';
}

// A conversion for the ordinary formatter; for "$", its result goes through the locale
// formatter as the letter asks. False, with nothing written, when text is not well-formed.
bool writeOrdinary(std::u16string_view text, bool locale, core::FormatArguments& args,
                   core::WideSink& sink, bool only32Bit = false) {
  core::ConversionSpec conversion;
  if (core::parseConversion(text, conversion) != text.size()) return false;
  if (only32Bit && conversion.wide64()) conversion.size = core::ConversionSpec::Size::Default;
  const char16_t letter = conversion.letter;
  const bool integer = isIntegerLetter(letter);
  if (!locale || !(integer || letter == u'f' || letter == u'g' || letter == u'G')) {
    core::formatConversion(conversion, args, sink);
    return true;
  }
  const size_t mark = sink.length();
  core::formatConversion(conversion, args, sink);
  const std::u16string plain(sink.text().substr(mark));
  sink.cut(sink.length() - mark);
  if (integer)
    appendLocaleNumber(sink, plain, 0);
  else if (letter == u'f' || plain.find_first_of(u"eE") == std::u16string::npos)
    appendLocaleNumber(sink, plain, -1);
  else
    sink.append(plain);  // an exponent stays as the formatter wrote it
  return true;
}

// "z": "%." digits "z" divides by ten to the digits; any other form is a "d".
bool writeFixedPoint(std::u16string_view text, bool locale, core::FormatArguments& args,
                     core::WideSink& sink) {
  const size_t decimals = fixedPointDecimals(text);
  if (decimals == 0) {
    std::u16string asD(text);
    asD.back() = u'd';
    return writeOrdinary(asD, locale, args, sink, /*only32Bit=*/true);
  }
  const std::u16string number = fixedPointText(args.nextInt32(), decimals);
  appendLocaleNumber(sink, number, locale ? static_cast<int>(decimals) : -1);
  return true;
}

// "d", "i" or "u" with nothing between the introducer and the letter: the number-text
// writers, grouped for "$".
void writePlainInteger(char16_t letter, bool locale, core::FormatArguments& args,
                       core::WideSink& sink) {
  WCHAR text[TZ_GROUPED_TEXT_MAX];
  const int32_t value = args.nextInt32();
  const int length = letter == u'u' ? TzDWordToText(static_cast<DWORD>(value), text, locale)
                                    : TzLongToText(value, text, locale);
  sink.append({text, static_cast<size_t>(length)});
}

}  // namespace

void appendLocaleNumber(core::WideSink& sink, std::u16string_view source, int decimals) {
  const time::LocaleSeparators& separators = time::localeSeparators();
  // Room for every character to gain a group separator, plus the signs: nothing is cut here.
  const size_t capacity =
      source.size() * (2 + separators.thousands.size() + separators.decimal.size()) + 16;
  if (capacity > INT_MAX) return sink.markTruncated();
  const std::u16string text(source);
  std::u16string formatted(capacity, u'\0');
  const int limit = static_cast<int>(capacity);
  const int length =
      decimals == 0  ? TzFormatNumber(text.c_str(), formatted.data(), limit)
      : decimals < 0 ? TzFormatDecimalNumber(text.c_str(), formatted.data(), limit)
                     : TzFormatGroupDecimalNumber(text.c_str(), formatted.data(), limit, decimals);
  sink.append({formatted.data(), static_cast<size_t>(std::max(length, 0))});
}

size_t writeConversion(std::u16string_view format, size_t start, core::FormatArguments& args,
                       core::WideSink& sink) {
  const bool locale = format[start] == u'$';
  size_t end = start + 1;
  auto isLetter = [&](size_t i) {
    return kConversionLetters.find(format[i]) != std::u16string_view::npos;
  };
  while (end < format.size() && end - start < kMaxConversion && !isLetter(end)) ++end;
  if (end >= format.size() || !isLetter(end)) {
    sink.append(format.substr(start, end - start));  // the format ended inside the conversion
    return end;
  }
  const char16_t letter = format[end];
  const size_t after = end + 1;
  const std::u16string text = u"%" + std::u16string(format.substr(start + 1, end - start));
  const time::LocaleSeparators& separators = time::localeSeparators();
  bool written = true;
  switch (letter) {
    case u'!':
    case u'&': {
      const char16_t* separator =
          namedSeparator(letter, after < format.size() ? format[after] : u'\0');
      if (separator == nullptr) return after;
      sink.append(separator);
      return after + 1;
    }
    case u'*':
      sink.append(separators.decimal);
      break;
    case u',':
      sink.append(separators.list);
      break;
    case u':':
      sink.append(separators.time);
      break;
    case u'z':
      written = writeFixedPoint(text, locale, args, sink);
      break;
    default:
      if (isIntegerLetter(letter) && text.size() == 2)
        writePlainInteger(letter, locale, args, sink);
      else
        written = writeOrdinary(text, locale, args, sink);
  }
  if (!written) sink.append(format.substr(start, after - start));
  return after;
}

}  // namespace tz::ui

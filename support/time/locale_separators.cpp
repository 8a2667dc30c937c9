// The locale settings kept once per process, converted from the platform's UTF-8 to UTF-16.
#include "support/time/locale_separators.h"

#include <mutex>
#include <string_view>

#include "support/platform/locale_settings.h"

namespace tz::time {
namespace {

constexpr LibrarySeparator kLibrarySeparators[] = {
    {u"SMPTE.Whole", u":"},  // between hours, minutes and seconds
    {u"SMPTE.NonDrop", u"."}, {u"SMPTE.Drop", u","}, {u"m.b", u"."}, {u"b.t", u"."},
};

// Malformed sequences become U+FFFD rather than being dropped, so a separator never
// vanishes and merges the digits around it.
std::u16string toUtf16(std::string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

LocaleSeparators readSeparators() {
  const platform::LocaleSettings settings = platform::userLocaleSettings();
  LocaleSeparators s;
  s.negativeSign = toUtf16(settings.negativeSign);
  s.thousands = toUtf16(settings.thousandsSeparator);
  s.decimal = toUtf16(settings.decimalSeparator);
  // A reader could not tell the two apart.
  if (s.decimal == s.thousands) s.decimal = s.thousands == u"." ? u"," : u".";
  s.grouping = settings.grouping;
  s.leadingZero = settings.leadingZero;
  s.time = toUtf16(settings.timeSeparator);
  s.list = toUtf16(settings.listSeparator);
  return s;
}

LocaleSeparators& storage() {
  static LocaleSeparators separators;
  return separators;
}

std::once_flag& readOnce() {
  static std::once_flag flag;
  return flag;
}

}  // namespace

const LocaleSeparators& localeSeparators() {
  std::call_once(readOnce(), [] { storage() = readSeparators(); });
  return storage();
}

void rereadLocaleSeparatorsForTest() {
  localeSeparators();
  storage() = readSeparators();
}

std::span<const LibrarySeparator> librarySeparators() {
  return kLibrarySeparators;
}

const char16_t* librarySeparator(LibrarySeparatorId id) {
  return kLibrarySeparators[static_cast<int>(id)].text;
}

}  // namespace tz::time

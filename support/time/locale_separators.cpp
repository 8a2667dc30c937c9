// The locale settings kept once per process, converted from the platform's UTF-8 to UTF-16.
#include "support/time/locale_separators.h"

#include <mutex>
#include <string_view>

#include "support/platform/locale_settings.h"
#include "support/platform/text_encoding.h"

namespace tz::time {
namespace {

constexpr LibrarySeparator kLibrarySeparators[] = {
    {u"SMPTE.Whole", u":"},  // between hours, minutes and seconds
    {u"SMPTE.NonDrop", u"."}, {u"SMPTE.Drop", u","}, {u"m.b", u"."}, {u"b.t", u"."},
};

LocaleSeparators readSeparators() {
  const platform::LocaleSettings settings = platform::userLocaleSettings();
  LocaleSeparators s;
  s.negativeSign = platform::utf16FromUtf8(settings.negativeSign);
  s.thousands = platform::utf16FromUtf8(settings.thousandsSeparator);
  s.decimal = platform::utf16FromUtf8(settings.decimalSeparator);
  // A reader could not tell the two apart.
  if (s.decimal == s.thousands) s.decimal = s.thousands == u"." ? u"," : u".";
  s.grouping = settings.grouping;
  s.leadingZero = settings.leadingZero;
  s.time = platform::utf16FromUtf8(settings.timeSeparator);
  s.list = platform::utf16FromUtf8(settings.listSeparator);
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

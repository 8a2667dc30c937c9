// The token readers: a number collected from typed text into a 64-character buffer, then
// converted, and their Ex forms with a default and a range.
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>

#include "support/time/locale_separators.h"
#include "tz/number_text.h"

namespace tz::time {
namespace {

constexpr int kCollectSize = 64;  // a longer number is cut, terminator included

bool isBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}
bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

const WCHAR* skipBlanks(const WCHAR* text) {
  while (isBlank(*text)) ++text;
  return text;
}

// Plain ASCII: "-", digits and "." only.
struct Collected {
  char text[kCollectSize];
  int length = 0;
  const WCHAR* stop;
};

// Compares in place: measuring the text first would cost its whole length at every step.
bool startsWith(const WCHAR* text, const std::u16string& prefix) {
  for (size_t i = 0; i < prefix.size(); ++i)
    if (text[i] != prefix[i]) return false;  // also stops at the terminator
  return !prefix.empty();
}

Collected collect(const WCHAR* text, bool localeMode) {
  Collected c;
  const WCHAR* p = skipBlanks(text);
  auto take = [&c](char ch) { c.text[c.length++] = ch; };
  const LocaleSeparators* locale = localeMode ? &localeSeparators() : nullptr;
  if (locale != nullptr && startsWith(p, locale->negativeSign)) {
    take('-');
    p += locale->negativeSign.size();
  } else if (*p == u'-') {
    take('-');
    ++p;
  }
  while (c.length < kCollectSize - 1) {
    if (isDigit(*p)) {
      take(static_cast<char>(*p++));
    } else if (locale == nullptr) {
      if (*p == u'.') {
        take('.');
      } else if (*p != u',') {
        break;
      }
      ++p;
    } else if (startsWith(p, locale->thousands)) {
      p += locale->thousands.size();
    } else if (startsWith(p, locale->decimal)) {
      take('.');
      p += locale->decimal.size();
    } else {
      break;
    }
  }
  c.text[c.length] = '\0';
  c.stop = p;
  return c;
}

template <typename T>
T readToken(const WCHAR* text, const WCHAR** end) {
  const WCHAR* stop = text;
  T value = 0;
  if (text != nullptr) {
    const Collected c = collect(text, true);
    stop = c.stop;
    const char* first = c.text;
    if constexpr (std::is_unsigned_v<T>) {
      for (const char* d = first; *d >= '0' && *d <= '9'; ++d) value = value * 10 + (*d - '0');
    } else {
      const auto [ptr, error] = std::from_chars(first, c.text + c.length, value);
      if (error == std::errc::result_out_of_range)
        value = *first == '-' ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    }
  }
  if (end != nullptr) *end = stop;
  return value;
}

int hexDigit(char16_t c) {
  if (isDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

template <typename T>
T readHex(const WCHAR* text, const WCHAR** end) {
  T value = 0;
  const WCHAR* p = text;
  if (p != nullptr) {
    p = skipBlanks(p);
    if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) p += 2;
    for (int d; (d = hexDigit(*p)) >= 0; ++p) value = static_cast<T>(value << 4 | d);
  }
  if (end != nullptr) *end = p;
  return value;
}

double readDouble(const WCHAR* text, const WCHAR** end, bool localeMode) {
  const WCHAR* stop = text;
  double value = 0;
  if (text != nullptr) {
    const Collected c = collect(text, localeMode);
    stop = c.stop;
    // 63 characters can hold neither an overflow nor an underflow; "" and "-" read as 0.
    std::from_chars(c.text, c.text + c.length, value);
  }
  if (end != nullptr) *end = stop;
  return value;
}

// A 0 read from text that held something other than a number becomes the default.
template <typename T>
T refine(T value, const WCHAR* stop, T def, T min, T max) {
  if (value == 0 && stop != nullptr && *stop != u'\0' && !isBlank(*stop)) value = def;
  if (value < min) value = min;
  if (value > max) value = max;
  return value;
}

template <typename T, typename Reader>
T readEx(Reader reader, const WCHAR* text, T def, T min, T max, const WCHAR** end) {
  const WCHAR* stop = nullptr;
  const T read = reader(text, &stop);  // before `stop` is looked at
  const T value = refine(read, stop, def, min, max);
  if (end != nullptr) *end = stop;
  return value;
}

uint64_t join(DWORD low, DWORD high) {
  return static_cast<uint64_t>(high) << 32 | low;
}
int64_t joinSigned(DWORD low, DWORD high) {
  return static_cast<int64_t>(join(low, high));
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

DWORD TZ_STDCALL TzTextToDWordToken(const WCHAR* text, const WCHAR** end) {
  return tt::readToken<uint32_t>(text, end);
}
ULONGLONG TZ_STDCALL TzTextToDWordLongToken(const WCHAR* text, const WCHAR** end) {
  return tt::readToken<uint64_t>(text, end);
}
LONG TZ_STDCALL TzTextToLongToken(const WCHAR* text, const WCHAR** end) {
  return tt::readToken<int32_t>(text, end);
}
LONGLONG TZ_STDCALL TzTextToLongLongToken(const WCHAR* text, const WCHAR** end) {
  return tt::readToken<int64_t>(text, end);
}
DWORD TZ_STDCALL TzHexToDWordToken(const WCHAR* text, const WCHAR** end) {
  return tt::readHex<uint32_t>(text, end);
}
ULONGLONG TZ_STDCALL TzHexToDWordLongToken(const WCHAR* text, const WCHAR** end) {
  return tt::readHex<uint64_t>(text, end);
}
double TZ_STDCALL TzTextToDoubleToken(const WCHAR* text, const WCHAR** end, BOOL locale) {
  return tt::readDouble(text, end, locale != FALSE);
}

DWORD TZ_STDCALL TzTextToDWordTokenEx(const WCHAR* text, DWORD def, DWORD min, DWORD max,
                                      const WCHAR** end) {
  return tt::readEx<uint32_t>(tt::readToken<uint32_t>, text, def, min, max, end);
}
ULONGLONG TZ_STDCALL TzTextToDWordLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh,
                                              DWORD minLow, DWORD minHigh, DWORD maxLow,
                                              DWORD maxHigh, const WCHAR** end) {
  return tt::readEx<uint64_t>(tt::readToken<uint64_t>, text, tt::join(defLow, defHigh),
                              tt::join(minLow, minHigh), tt::join(maxLow, maxHigh), end);
}
LONG TZ_STDCALL TzTextToLongTokenEx(const WCHAR* text, LONG def, LONG min, LONG max,
                                    const WCHAR** end) {
  return tt::readEx<int32_t>(tt::readToken<int32_t>, text, def, min, max, end);
}
LONGLONG TZ_STDCALL TzTextToLongLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh,
                                            DWORD minLow, DWORD minHigh, DWORD maxLow,
                                            DWORD maxHigh, const WCHAR** end) {
  return tt::readEx<int64_t>(tt::readToken<int64_t>, text, tt::joinSigned(defLow, defHigh),
                             tt::joinSigned(minLow, minHigh), tt::joinSigned(maxLow, maxHigh), end);
}
DWORD TZ_STDCALL TzHexToDWordTokenEx(const WCHAR* text, DWORD def, DWORD min, DWORD max,
                                     const WCHAR** end) {
  return tt::readEx<uint32_t>(tt::readHex<uint32_t>, text, def, min, max, end);
}
ULONGLONG TZ_STDCALL TzHexToDWordLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh,
                                             DWORD minLow, DWORD minHigh, DWORD maxLow,
                                             DWORD maxHigh, const WCHAR** end) {
  return tt::readEx<uint64_t>(tt::readHex<uint64_t>, text, tt::join(defLow, defHigh),
                              tt::join(minLow, minHigh), tt::join(maxLow, maxHigh), end);
}
double TZ_STDCALL TzTextToDoubleTokenEx(const WCHAR* text, double def, double min, double max,
                                        const WCHAR** end, BOOL locale) {
  const WCHAR* stop = nullptr;
  const double read = tt::readDouble(text, &stop, locale != FALSE);
  const double value = tt::refine(read, stop, def, min, max);
  if (end != nullptr) *end = stop;
  return value;
}

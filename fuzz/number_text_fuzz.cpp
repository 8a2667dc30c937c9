// The number readers and the locale formatter on any UTF-16 text: every reader stops inside
// the text, numbers written by the writers read back as themselves, and the formatter never
// writes past the limit it is given.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tz/number_text.h"

namespace {

void checkEnd(const std::vector<WCHAR>& text, const WCHAR* end) {
  if (end < text.data() || end > text.data() + text.size() - 1) std::abort();
}

// Reads the text back with each reader of its kind after writing a number.
void roundTrips(LONGLONG value) {
  WCHAR buffer[TZ_GROUPED_TEXT_MAX];
  TzLongLongToText(value, buffer, FALSE);
  if (TzTextToLongLongToken(buffer, nullptr) != value) std::abort();
  const auto small = static_cast<LONG>(value);
  TzLongToText(small, buffer, FALSE);
  if (TzTextToLongToken(buffer, nullptr) != small) std::abort();
  const auto unsignedValue = static_cast<DWORD>(value);
  TzDWordToText(unsignedValue, buffer, FALSE);
  if (TzTextToDWordToken(buffer, nullptr) != unsignedValue) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<WCHAR> text(size / 2 + 1);
  std::memcpy(text.data(), data, size / 2 * 2);
  text.back() = 0;
  const WCHAR* end = nullptr;
  TzTextToDWordToken(text.data(), &end), checkEnd(text, end);
  TzTextToDWordLongToken(text.data(), &end), checkEnd(text, end);
  TzTextToLongToken(text.data(), &end), checkEnd(text, end);
  TzTextToLongLongToken(text.data(), &end), checkEnd(text, end);
  TzHexToDWordToken(text.data(), &end), checkEnd(text, end);
  TzHexToDWordLongToken(text.data(), &end), checkEnd(text, end);
  TzTextToDoubleToken(text.data(), &end, TRUE), checkEnd(text, end);
  TzTextToDoubleToken(text.data(), &end, FALSE), checkEnd(text, end);
  TzTextToLongTokenEx(text.data(), 7, -5, 5, &end), checkEnd(text, end);
  TzTextToDoubleTokenEx(text.data(), 1.5, -1e3, 1e3, &end, TRUE), checkEnd(text, end);

  // The formatter with a limit from the input, into a buffer with a guard after the limit.
  const int limit = size > 0 ? data[0] % 80 : 0;
  std::vector<WCHAR> out(static_cast<size_t>(limit) + 16, 0xBEEF);
  const int decimals = size > 1 ? static_cast<int8_t>(data[1]) % 12 : 0;
  for (const int written : {TzFormatNumber(text.data(), out.data(), limit),
                            TzFormatDecimalNumber(text.data(), out.data(), limit),
                            TzFormatGroupDecimalNumber(text.data(), out.data(), limit, decimals)})
    if (written < 0 || (limit > 0 && written >= limit)) std::abort();
  for (size_t i = static_cast<size_t>(limit); i < out.size(); ++i)
    if (out[i] != 0xBEEF) std::abort();

  LONGLONG value = 0;
  std::memcpy(&value, data, std::min(size, sizeof value));
  roundTrips(value);
  return 0;
}

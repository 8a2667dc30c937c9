// The time writers on a position format of any bytes (any code, rates of 0, negative, infinite
// or NaN, a time signature of zeros), any time, flags and format string: every text stays
// within TZ_TIME_TEXT_MAX and is terminated at its count, and the guards after it are untouched;
// music time never shows a negative beat or tick; labeled values end with their suffix.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "tz/time_text.h"

namespace {

constexpr WCHAR kGuard = 0xBEEF;
constexpr size_t kGuards = 8;
constexpr size_t kMaxFormat = 2048;

struct Input {
  const uint8_t* data;
  size_t size;
  template <class T>
  T take() {
    T value{};
    const size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n, size -= n;
    return value;
  }
};

// Runs a writer into exactly TZ_TIME_TEXT_MAX characters and checks what it left.
template <class Write>
std::u16string checked(Write write) {
  WCHAR buffer[TZ_TIME_TEXT_MAX + kGuards];
  for (WCHAR& c : buffer) c = kGuard;
  const int count = write(buffer);
  for (size_t i = TZ_TIME_TEXT_MAX; i < TZ_TIME_TEXT_MAX + kGuards; ++i)
    if (buffer[i] != kGuard) std::abort();
  // The count, not the first NUL, ends the text: a caller's "%c" may write a NUL inside it.
  if (count < 0 || count >= TZ_TIME_TEXT_MAX || buffer[count] != 0) std::abort();
  return {buffer, static_cast<size_t>(count)};
}

// After the measure's sign nothing is negative.
void checkMusicText(const std::u16string& text) {
  if (text.find(u'-', 1) != std::u16string::npos) std::abort();
}

// A lone high surrogate at the suffix's end has no partner to keep it company and is cut.
void checkLabeled(const WCHAR* text, std::u16string suffix) {
  if (text == nullptr) std::abort();
  if (!suffix.empty() && suffix.back() >= 0xD800 && suffix.back() <= 0xDBFF) suffix.pop_back();
  const std::u16string_view result(text);
  if (result == u"Err." || result == u"-Inf.") return;
  if (result.size() < suffix.size() || result.substr(result.size() - suffix.size()) != suffix)
    std::abort();
}

const bool moduleLanguageOpened = [] {
  const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&checkLabeled));
  return SUCCEEDED(tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!moduleLanguageOpened) std::abort();
  Input in{data, size};
  const auto position = in.take<_tzposfmt>();
  const auto time = in.take<LONGLONG>();
  const auto ticks = in.take<LONGLONG>();
  const auto flags = in.take<DWORD>();
  const auto divisor = in.take<DWORD>();
  const auto real = in.take<double>();
  std::u16string format(std::min(in.size / 2, kMaxFormat), u'\0');
  std::memcpy(format.data(), in.data, format.size() * 2);
  // A text ends at its first terminator, as the caller's would.
  format.resize(std::u16string_view(format.c_str()).size());

  checked(
      [&](WCHAR* b) { return TzNanoTimeToTextFormat(b, &position, time, format.c_str(), flags); });
  checked([&](WCHAR* b) { return TzNanoTimeToText(b, &position, time, flags & 1); });
  const std::u16string text =
      checked([&](WCHAR* b) { return TzNanoTimeToTextEx(b, &position, time, flags); });
  if (position.format == TZTIMEFMT_MUSIC || position.format == TZTIMEFMT_MUSIC_ZERO_BASED)
    checkMusicText(text);

  const BOOL oneBased = flags >> 8 & 3, noTicks = flags >> 10 & 1;
  checkMusicText(checked([&](WCHAR* b) {
    return TzMeasuresAndTicksToText(b, &position, time, ticks, oneBased, noTicks, divisor);
  }));
  checkMusicText(checked(
      [&](WCHAR* b) { return TzTicksToText(b, &position, ticks, oneBased, noTicks, divisor); }));

  LONGLONG measures = 0;
  LONG beats = 0, tickCount = 0;
  TzNanoTimeToMeasures(time, &position, &measures, &beats, &tickCount);
  const LONG beatLimit = position.beatsPerMeasure;
  if (beats >= beatLimit && beats != 0) std::abort();
  if (beats <= -beatLimit && beats != 0) std::abort();

  checkLabeled(TzGetLabeledStringFixed(static_cast<LONG>(ticks), static_cast<int>(divisor),
                                       static_cast<LONG>(ticks >> 32), format.c_str()),
               format);
  checkLabeled(
      TzGetLabeledStringFloat(real, static_cast<int>(flags), position.frameRate, format.c_str()),
      format);
  return 0;
}

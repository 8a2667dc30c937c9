// Every time-text reader on any UTF-16 text with a position format of raw bytes (zero, huge,
// infinite and NaN rates and tempos, zero resolutions, any format code), any flags, default,
// range and tick multiplier: no fault and no undefined conversion, every end position between
// the text and its terminator, every range kept; the hours-minutes-seconds-frames split of the
// time read keeps its fields in range.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tz/time_text.h"

namespace {

// The parameters at the head of the input, field by field; a short input leaves the rest 0.
struct Parameters {
  _tzposfmt format;
  DWORD flags;
  LONGLONG def;
  LONGLONG min;
  LONGLONG max;
  LONG multiplier;
};

template <class T>
T take(const uint8_t*& data, size_t& size) {
  T value{};
  const size_t n = size < sizeof value ? size : sizeof value;
  std::memcpy(&value, data, n);
  data += n, size -= n;
  return value;
}

void checkEnd(const std::vector<WCHAR>& text, const WCHAR* end) {
  if (end < text.data() || end > text.data() + text.size() - 1) std::abort();
}

void readClockAndMusic(const Parameters& p, const std::vector<WCHAR>& text) {
  const WCHAR* end = nullptr;
  const _tzposfmt* f = &p.format;
  for (const BOOL flag : {FALSE, TRUE}) {
    TzTextToTimeToken(text.data(), f, flag, &end), checkEnd(text, end);
    TzTextToHMSFToken(text.data(), f, flag, &end), checkEnd(text, end);
    TzTextToFeetAndFramesToken(text.data(), f, flag);
  }
  TzTextToMusicTimeToken(text.data(), f, p.flags, &end), checkEnd(text, end);
  LONGLONG measures = 0, beats = 0, ticks = 0;
  TzTextToMeasuresBeatsTicks(text.data(), f, p.flags % 3, p.multiplier, &measures, &beats, &ticks);
  TzTextToTicks(text.data(), f, 1, p.multiplier);
  TzTextToBeatsTicks(text.data(), f, p.multiplier, &beats, &ticks);
}

void readTimes(const Parameters& p, const std::vector<WCHAR>& text) {
  const WCHAR* end = nullptr;
  const _tzposfmt* f = &p.format;
  const LONGLONG time = TzTextToNanoTimeToken2(text.data(), f, p.def, p.min, p.max, p.flags, &end);
  checkEnd(text, end);
  if ((p.flags & TZTIMETEXT_CLAMP) && p.min <= p.max && (time < p.min || time > p.max))
    std::abort();
  TzTextToNanoTimeToken(text.data(), f, p.flags & 1, &end), checkEnd(text, end);
  const LONGLONG clamped =
      TzTextToNanoTimeTokenEx(text.data(), f, p.flags & 1, p.def, p.min, p.max, &end);
  checkEnd(text, end);
  if (p.min <= p.max && (clamped < p.min || clamped > p.max)) std::abort();

  _smpteval split = {p.flags % 8, 0, 0, 0, 0, 0};
  TzNanoTimeToHMSF(time, &split, p.format.frameRate);
  if (split.hours >= 24 || split.minutes >= 60 || split.seconds >= 60) std::abort();
  TzHMSFToNanoTime(&split, p.format.frameRate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Parameters p;
  p.format = take<_tzposfmt>(data, size);
  // Mostly a known code, sometimes one just outside.
  p.format.format = static_cast<LONG>(static_cast<DWORD>(p.format.format) % 22) - 1;
  p.flags = take<DWORD>(data, size);
  p.def = take<LONGLONG>(data, size);
  p.min = take<LONGLONG>(data, size);
  p.max = take<LONGLONG>(data, size);
  p.multiplier = take<LONG>(data, size);

  // An aligned, terminated copy of the rest.
  std::vector<WCHAR> text(size / 2 + 1);
  std::memcpy(text.data(), data, size / 2 * 2);
  text.back() = 0;
  readTimes(p, text);
  readClockAndMusic(p, text);
  return 0;
}

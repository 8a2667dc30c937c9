// SMPTE text reading on any UTF-16 text, in any format code: the fields come out in range
// for the six formats, the reserved field is cleared and the format kept, the result is 0 or
// a character of the text, and the label read converts to a frame count and back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "tz/smpte.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const DWORD format = data[0] % 8;
  std::vector<WCHAR> text((size - 1) / 2 + 1);
  std::memcpy(text.data(), data + 1, (size - 1) / 2 * 2);
  text.back() = 0;

  _smpteval value = {format, 0xAAAA, 0xBBBB, 0xCCCC, 0xDDDD, 0xEEEE};
  const WCHAR stop = TZSMPTE_TextToSMPTE(text.data(), &value);
  if (stop != 0 && std::u16string_view(text.data()).find(stop) == std::u16string_view::npos)
    std::abort();
  if (value.format != format || value.reserved != 0 || value.hours >= 24) std::abort();
  const DWORD labels[] = {0, 30, 30, 25, 24, 30, 24, 0};
  if (labels[format] == 0) return 0;
  if (value.minutes >= 60 || value.seconds >= 60 || value.frames >= labels[format]) std::abort();

  const DWORD count = TZSMPTE_SMPTEToFrameCount(&value);
  _smpteval again = value;
  TZSMPTE_FrameCountToSMPTE(&again, count);
  if (TZSMPTE_SMPTEToFrameCount(&again) != count) std::abort();
  return 0;
}

// The module's English string table. The language resources will replace it; until then
// every text the driver shows or names an object with is looked up here by its id.
#include "kaudio/audiodrvs/ReWire/module_strings.h"

#include "support/platform/text_encoding.h"

namespace tz::rewire {
namespace {

struct StringEntry {
  uint32_t id;
  std::u16string_view text;
};

constexpr StringEntry kStrings[] = {
    {1002, u"HALVARD ReWire Driver"},
    {1003, u"Halvard ReWire Driver (Internal)"},
    {1004, u"Halvard ReWire Driver (Beta)"},
    {1517, u"ReWire Driver"},
    {1526, u"ReWire Driver Class"},
    {1527, u"ReWire Device Driver"},
    {1528, u"Halvard.Loopra7.ReWireDevice"},
    {1529, u"Halvard.Loopra7.ReWireDevice.Event"},
    {1530, u"Halvard.Loopra7.ReWireDriver.Event"},
    {1531, u"Loopra Pro 7.0"},
    {1532, u"QRX7"},
    {1533, u"Time Critical"},
    {1534, u"Highest"},
    {1535, u"Above Normal"},
    {1536, u"Normal"},
    {1537, u"Below Normal"},
    {1538, u"Lowest"},
    {1539, u"Idle"},
};

}  // namespace

std::u16string_view moduleString(uint32_t id) {
  for (const StringEntry& entry : kStrings)
    if (entry.id == id) return entry.text;
  return {};
}

size_t copyUtf8(std::u16string_view text, char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  size_t used = 0;
  std::string bytes;
  for (size_t i = 0; i < text.size();) {
    bytes.clear();
    platform::appendUtf8(platform::decodeUtf16(text, i), bytes);
    if (used + bytes.size() >= capacity) break;
    for (char b : bytes) out[used++] = b;
  }
  out[used] = '\0';
  return used;
}

}  // namespace tz::rewire

// The module's texts come from its language context, opened when the module is loaded.
#include "kaudio/audiodrvs/ReWire/module_strings.h"

#include "support/lang/lang_context.h"
#include "support/platform/text_encoding.h"

namespace tz::rewire {

std::u16string_view moduleString(uint32_t id) {
  return TzGetString(lang::moduleLanguage(), id);
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

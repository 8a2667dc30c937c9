#include "support/core/utf8_pieces.h"

#include <cstring>

#include "support/platform/text_encoding.h"

namespace tz::core {

std::string_view Utf8Pieces::next() {
  size_t length = 0;
  while (position_ < text_.size()) {
    size_t after = position_;
    char bytes[4];
    const size_t size = platform::encodeUtf8(platform::decodeUtf16(text_, after), bytes);
    if (length + size > kCapacity) return {buffer_, length};
    std::memcpy(buffer_ + length, bytes, size);
    length += size;
    position_ = after;
  }
  // memcpy must not see the null address an empty view may have.
  if (!lineEnd_.empty() && length + lineEnd_.size() <= kCapacity) {
    std::memcpy(buffer_ + length, lineEnd_.data(), lineEnd_.size());
    length += lineEnd_.size();
    lineEnd_ = {};
  }
  return {buffer_, length};
}

}  // namespace tz::core

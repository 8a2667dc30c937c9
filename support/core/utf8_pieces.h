// Wide text as UTF-8 in pieces that fit a fixed buffer, without allocating: no piece splits a
// character, and the line end follows the text's last byte (in the last piece, or alone when
// that is full). An unpaired surrogate becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

namespace tz::core {

class Utf8Pieces {
 public:
  static constexpr size_t kCapacity = 640;  // bytes, at least a character and the line end

  Utf8Pieces(std::u16string_view text, std::string_view lineEnd) : text_(text), lineEnd_(lineEnd) {}
  Utf8Pieces(const Utf8Pieces&) = delete;
  Utf8Pieces& operator=(const Utf8Pieces&) = delete;

  // The next piece, valid until the next call; empty once everything was given out.
  std::string_view next();

 private:
  std::u16string_view text_;
  std::string_view lineEnd_;
  size_t position_ = 0;
  char buffer_[kCapacity];
};

}  // namespace tz::core

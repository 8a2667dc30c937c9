// A bounded writer of 8-bit text for the crash report and the hex dumps, which run after a
// fault and so neither allocate nor reach the C library's printf.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tz::core {

class NarrowSink {
 public:
  // capacity counts characters including the terminator; 0 (or a null buffer) writes nothing.
  NarrowSink(char* buffer, size_t capacity)
      : buffer_(buffer), capacity_(buffer != nullptr ? capacity : 0) {
    terminate();
  }

  void put(char c) {
    if (length_ + 1 >= capacity_) return;
    buffer_[length_++] = c;
    buffer_[length_] = '\0';
  }
  void append(std::string_view text) {
    for (char c : text) put(c);
  }
  // The low digits hex digits of value, upper-case, the highest first.
  void hex(uint32_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
      put("0123456789ABCDEF"[(value >> shift) & 0xF]);
  }

  size_t length() const { return length_; }
  // Characters the buffer still has room for, the terminator included.
  size_t remaining() const { return capacity_ - length_; }

 private:
  void terminate() {
    if (capacity_ > 0) buffer_[length_] = '\0';
  }

  char* buffer_;
  size_t capacity_;
  size_t length_ = 0;
};

}  // namespace tz::core

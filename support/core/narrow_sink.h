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
  void hex(uint32_t value, int digits) { hexIn(value, digits, "0123456789ABCDEF"); }
  void hexLower(uint32_t value, int digits) { hexIn(value, digits, "0123456789abcdef"); }
  // Upper-case hex without leading zeros ("%X").
  void hexTrimmed(uint32_t value) {
    int digits = 1;
    while (digits < 8 && (value >> (digits * 4)) != 0) ++digits;
    hex(value, digits);
  }
  // Decimal ("%u").
  void decimal(uint32_t value) {
    char digits[10];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (n > 0) put(digits[--n]);
  }

  size_t length() const { return length_; }
  // Characters the buffer still has room for, the terminator included.
  size_t remaining() const { return capacity_ - length_; }

 private:
  void hexIn(uint32_t value, int digits, const char* alphabet) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
      put(alphabet[(value >> shift) & 0xF]);
  }
  void terminate() {
    if (capacity_ > 0) buffer_[length_] = '\0';
  }

  char* buffer_;
  size_t capacity_;
  size_t length_ = 0;
};

}  // namespace tz::core

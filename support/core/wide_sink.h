// A bounded writer of UTF-16 text: it knows its capacity in characters, never writes past
// it and always leaves room for the terminator. Every formatter of the library writes
// through one.
#pragma once

#include <cstddef>
#include <string_view>

namespace tz::core {

class WideSink {
 public:
  // capacity counts characters including the terminator; 0 (or a null buffer) writes nothing,
  // not even a terminator.
  WideSink(char16_t* buffer, size_t capacity)
      : buffer_(buffer), capacity_(buffer != nullptr ? capacity : 0) {
    terminate();
  }

  void put(char16_t c) {
    // A high surrogate needs room for its partner too, and once cut a text takes nothing
    // more: it ends before a pair, never between its halves.
    const size_t needed = c >= 0xD800 && c <= 0xDBFF ? 2 : 1;
    if (!truncated_ && length_ + needed < capacity_) {
      buffer_[length_++] = c;
      buffer_[length_] = 0;
    } else {
      truncated_ = true;
    }
  }
  void append(std::u16string_view text) {
    for (char16_t c : text) put(c);
  }
  // count copies of c; a count beyond the room left only fills the room.
  void fill(char16_t c, size_t count) {
    const size_t n = truncated_ ? 0 : count < room() ? count : room();
    for (size_t i = 0; i < n; ++i) buffer_[length_++] = c;
    if (n < count) truncated_ = true;
    terminate();
  }

  size_t length() const { return length_; }
  // Characters that still fit before the terminator.
  size_t room() const { return capacity_ > length_ + 1 ? capacity_ - length_ - 1 : 0; }
  bool truncated() const { return truncated_; }
  // The text written so far (terminated when the capacity is not 0).
  std::u16string_view text() const { return {buffer_, length_}; }
  char16_t* end() const { return buffer_ + length_; }
  // Counts count characters that a writer put at end() itself (at most room()), and
  // terminates them.
  void advance(size_t count) {
    length_ += count < room() ? count : room();
    terminate();
  }
  // Records that a writer had more to write than the room it was given.
  void markTruncated() { truncated_ = true; }
  // Takes back the last count characters (for writers that reformat what they wrote).
  void cut(size_t count) {
    length_ -= count < length_ ? count : length_;
    terminate();
  }

 private:
  void terminate() {
    if (capacity_ > 0) buffer_[length_] = 0;
  }

  char16_t* buffer_;
  size_t capacity_;
  size_t length_ = 0;
  bool truncated_ = false;
};

}  // namespace tz::core

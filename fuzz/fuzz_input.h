// The fuzz targets' reading of their input as little-endian fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tz::fuzz {

struct InputReader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  // The next `bytes` bytes (at most 8) as a number; bytes past the end read as zeros.
  uint64_t take(size_t bytes) {
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i, ++at)
      if (at < size) value |= uint64_t(data[at]) << (8 * i);
    return value;
  }
  uint8_t byte() { return static_cast<uint8_t>(take(1)); }
  size_t remaining() const { return at < size ? size - at : 0; }
};

}  // namespace tz::fuzz

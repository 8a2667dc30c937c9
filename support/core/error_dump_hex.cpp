// Hex dumps of memory that may not be readable: each line is probed before it is read, so a
// dump of a faulting address shows dots instead of faulting again.
#include <cstring>

#include "support/core/narrow_sink.h"
#include "support/platform/memory_probe.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

// Longer than any line, so a line started is a line finished.
constexpr size_t kLineReserve = 50;

bool readByte(uintptr_t address, uint8_t& value) {
  const void* at = reinterpret_cast<const void*>(address);
  if (!platform::isReadable(at, 1)) return false;
  std::memcpy(&value, at, 1);
  return true;
}

bool readWord(uintptr_t address, uint32_t& value) {
  const void* at = reinterpret_cast<const void*>(address);
  if (!platform::isReadable(at, sizeof value)) return false;
  std::memcpy(&value, at, sizeof value);
  return true;
}

void lineAddress(NarrowSink& sink, uintptr_t address) {
  sink.put(' ');
  sink.hex(static_cast<uint32_t>(address), 8);
  sink.append(": ");
}

void byteLine(NarrowSink& sink, uintptr_t address, size_t count) {
  uint8_t bytes[8];
  bool readable[8];
  const bool whole = platform::isReadable(reinterpret_cast<const void*>(address), count);
  for (size_t i = 0; i < count; ++i) {
    readable[i] = whole || readByte(address + i, bytes[i]);
    if (whole) std::memcpy(&bytes[i], reinterpret_cast<const void*>(address + i), 1);
  }
  lineAddress(sink, address);
  for (size_t i = 0; i < 8; ++i) {
    if (i >= count) {
      sink.append("   ");
    } else if (readable[i]) {
      sink.hex(bytes[i], 2);
      sink.put(' ');
    } else {
      sink.append(".. ");
    }
  }
  for (size_t i = 0; i < count; ++i)
    sink.put(readable[i] && bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.');
  sink.append("\r\n");
}

void wordLine(NarrowSink& sink, uintptr_t address, size_t count) {
  lineAddress(sink, address);
  for (size_t i = 0; i < count; ++i) {
    uint32_t word = 0;
    if (readWord(address + i * sizeof word, word)) {
      sink.hex(word, 8);
      sink.put(' ');
    } else {
      sink.append("........ ");
    }
  }
  sink.append("\r\n");
}

// Lines of perLine units of unit bytes each, until the units or the reserve run out.
template <typename WriteLine>
LONG dump(char* buffer, LONG size, const void* address, LONG count, size_t perLine, size_t unit,
          WriteLine writeLine) {
  if (buffer == nullptr || size <= 0) return 0;
  NarrowSink sink(buffer, static_cast<size_t>(size));
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  size_t left = count > 0 ? static_cast<size_t>(count) : 0;
  while (left > 0 && sink.remaining() >= kLineReserve) {
    const size_t n = left < perLine ? left : perLine;
    writeLine(sink, at, n);
    at += n * unit;  // wraps past the top of the address space like the pointer would
    left -= n;
  }
  return static_cast<LONG>(sink.length());
}

}  // namespace
}  // namespace tz::core

TZAPI(LONG) TzErrorHandler_DumpHex(char* buffer, LONG size, const void* address, LONG count) {
  return tz::core::dump(buffer, size, address, count, 8, 1, tz::core::byteLine);
}

TZAPI(LONG) TzErrorHandler_DumpHexDWords(char* buffer, LONG size, const void* address, LONG count) {
  return tz::core::dump(buffer, size, address, count, 4, 4, tz::core::wordLine);
}

// Hex dumps of memory that may not be readable: each line is read through the probe (each
// unit when the line is not wholly readable), so a dump of a faulting address shows dots
// instead of faulting again.
#include "support/core/crash_report.h"
#include "support/platform/memory_probe.h"
#include "tz/error_handler.h"

namespace tz::core {
namespace {

void byteLine(ReportWriter& out, uintptr_t address, size_t count) {
  uint8_t bytes[8];
  bool readable[8];
  const bool whole = platform::readMemory(bytes, reinterpret_cast<const void*>(address), count);
  for (size_t i = 0; i < count; ++i)
    readable[i] =
        whole || platform::readMemory(&bytes[i], reinterpret_cast<const void*>(address + i), 1);
  writeLineAddress(out, address);
  for (size_t i = 0; i < 8; ++i) {
    if (i >= count) {
      out.append("   ");
    } else if (readable[i]) {
      out.hex(bytes[i], 2);
      out.put(' ');
    } else {
      out.append(".. ");
    }
  }
  for (size_t i = 0; i < count; ++i)
    out.put(readable[i] && bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.');
  out.append("\r\n");
}

void wordLine(ReportWriter& out, uintptr_t address, size_t count) {
  writeLineAddress(out, address);
  for (size_t i = 0; i < count; ++i) {
    uint32_t word = 0;
    if (readWord(address + i * sizeof word, word)) {
      out.hex(word, 8);
      out.put(' ');
    } else {
      out.append("........ ");
    }
  }
  out.append("\r\n");
}

// Lines of perLine units of unit bytes each, until the units or the reserve run out.
template <typename WriteLine>
void dump(ReportWriter& out, uintptr_t address, size_t count, size_t perLine, size_t unit,
          WriteLine writeLine) {
  while (count > 0 && out.startLine()) {
    const size_t n = count < perLine ? count : perLine;
    writeLine(out, address, n);
    address += n * unit;  // wraps past the top of the address space like the pointer would
    count -= n;
  }
}

LONG dumpExport(char* buffer, LONG size, const void* address, LONG count,
                void (*dumpUnits)(ReportWriter&, uintptr_t, size_t)) {
  if (buffer == nullptr || size <= 0) return 0;
  ReportWriter out(buffer, static_cast<size_t>(size));
  dumpUnits(out, reinterpret_cast<uintptr_t>(address), count > 0 ? static_cast<size_t>(count) : 0);
  return static_cast<LONG>(out.length());
}

}  // namespace

bool readWord(uintptr_t address, uint32_t& value) {
  return platform::readMemory(&value, reinterpret_cast<const void*>(address), sizeof value);
}

void writeLineAddress(ReportWriter& out, uintptr_t address, char lead) {
  out.put(lead);
  out.hex(static_cast<uint32_t>(address), 8);
  out.append(": ");
}

void dumpBytes(ReportWriter& out, uintptr_t address, size_t count) {
  dump(out, address, count, 8, 1, byteLine);
}

void dumpWords(ReportWriter& out, uintptr_t address, size_t count) {
  dump(out, address, count, 4, 4, wordLine);
}

}  // namespace tz::core

TZAPI(LONG) TzErrorHandler_DumpHex(char* buffer, LONG size, const void* address, LONG count) {
  return tz::core::dumpExport(buffer, size, address, count, tz::core::dumpBytes);
}

TZAPI(LONG) TzErrorHandler_DumpHexDWords(char* buffer, LONG size, const void* address, LONG count) {
  return tz::core::dumpExport(buffer, size, address, count, tz::core::dumpWords);
}

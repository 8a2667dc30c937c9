// The hex dumps and the crash report on any sizes, addresses and records: readable memory,
// a page that is never readable, null and the top of the address space, and records and
// contexts of any bytes whose pointers lead anywhere. The text stays within the buffer's size
// less one, is terminated, and nothing past the buffer is touched.
//
// Input: the dump (1 byte: hex, words, report), the buffer size (1 byte, 0..200), a count
// (2 bytes, signed) and an address (a kind byte and 4 bytes); for the report then the kinds of
// the record's and the context's places, EIP and ESP as addresses, the mask (0xFF: no pointers)
// and the thread name (a byte, and an address when it is even), then the record's and the
// context's bytes.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "tz/error_handler.h"

namespace {

constexpr size_t kPage = 4096;
constexpr size_t kGuards = 64;
constexpr char kGuard = '#';

// Fields of at most 4 bytes, as 32-bit numbers.
struct Reader : tz::fuzz::InputReader {
  uint32_t take(size_t bytes) { return static_cast<uint32_t>(InputReader::take(bytes)); }
};

// Two readable pages (holding the input's bytes) followed by one that never is.
uint8_t* pages() {
  static auto* region = [] {
    auto* p = static_cast<uint8_t*>(
        mmap(nullptr, 3 * kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (p == MAP_FAILED) abort();
    mprotect(p + 2 * kPage, kPage, PROT_NONE);
    return p;
  }();
  return region;
}

// An address of the kind the byte picks, near an offset taken from the input.
uintptr_t address(Reader& in) {
  const uint32_t kind = in.take(1) % 6, offset = in.take(4);
  const auto readable = reinterpret_cast<uintptr_t>(pages());
  switch (kind) {
    case 0:
      return readable + offset % (2 * kPage);
    case 1:
      return readable + 2 * kPage - 64 + offset % 128;  // across into the unreadable page
    case 2:
      return offset % 256;  // null and just above
    case 3:
      return 0xFFFFFF00u + offset % 256;  // the top, where addresses wrap
    case 4:
      return reinterpret_cast<uintptr_t>(&kind) + offset % 512;  // this stack
    default:
      return offset;
  }
}

LONG report(Reader& in, char* buffer, LONG size) {
  const uint32_t recordKind = in.take(1) % 3, contextKind = in.take(1) % 3;
  const uintptr_t eip = address(in), esp = address(in);
  const DWORD mask = in.take(1);
  const uintptr_t name = in.take(1) % 2 == 0 ? address(in) : 0;
  // The record and the context live at the end of the readable pages, so that one of any
  // size the input gives runs into the unreadable page.
  EXCEPTION_RECORD record{};
  CONTEXT context{};
  for (size_t i = 0; i < sizeof record; ++i) reinterpret_cast<uint8_t*>(&record)[i] = in.take(1);
  for (size_t i = 0; i < offsetof(CONTEXT, ExtendedRegisters); ++i)
    reinterpret_cast<uint8_t*>(&context)[i] = in.take(1);
  context.Eip = eip;
  context.Esp = esp;
  uint8_t* end = pages() + 2 * kPage;
  const auto place = [&](uint32_t kind, const void* value, size_t bytes) -> void* {
    if (kind == 2) return nullptr;
    uint8_t* at = end - (kind == 0 ? bytes : bytes / 2);
    std::memcpy(at, value, kind == 0 ? bytes : bytes / 2);
    end = at;
    return at;
  };
  EXCEPTION_POINTERS pointers{
      static_cast<EXCEPTION_RECORD*>(place(recordKind, &record, sizeof record)),
      static_cast<CONTEXT*>(place(contextKind, &context, sizeof context))};
  // A mask of all ones stands for no pointers at all.
  return TzErrorHandler_DumpExceptionRecord(buffer, size, reinterpret_cast<const char*>(name),
                                            mask == 0xFF ? nullptr : &pointers, mask);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{{data, size}};
  const uint32_t dump = in.take(1) % 3;
  const LONG capacity = static_cast<LONG>(in.take(1) % 201);
  const auto count = static_cast<LONG>(static_cast<int16_t>(in.take(2)));
  std::memcpy(pages(), data, size < 2 * kPage ? size : 2 * kPage);
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(capacity) + kGuards));
  std::memset(buffer, kGuard, static_cast<size_t>(capacity) + kGuards);
  const auto at = reinterpret_cast<const void*>(address(in));
  const LONG written = dump == 2   ? report(in, buffer, capacity)
                       : dump == 0 ? TzErrorHandler_DumpHex(buffer, capacity, at, count)
                                   : TzErrorHandler_DumpHexDWords(buffer, capacity, at, count);
  if (capacity == 0 ? written != 0 : written > capacity - 1) abort();
  if (capacity > 0 && static_cast<size_t>(written) != std::strlen(buffer)) abort();
  for (size_t i = static_cast<size_t>(capacity); i < static_cast<size_t>(capacity) + kGuards; ++i)
    if (buffer[i] != kGuard) abort();
  std::free(buffer);
  return 0;
}

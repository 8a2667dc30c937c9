// The UTF-16 formatter on any format, typed arguments of any kind and any capacity: the text
// stays within the capacity and is terminated, nothing past it is touched, a smaller capacity
// gives a prefix of a larger one's text, and the parser accepts only the conversion letters.
//
// Input: capacity (2 bytes, 0..600), a raw conversion (flags, letter, size, width, precision: 5
// bytes), an argument count (1 byte, 0..7), each argument as a kind byte and its bytes, then the
// format as UTF-16.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "support/core/wide_format.h"

namespace {

using tz::core::ArrayArguments;
using tz::core::ConversionSpec;
using tz::core::FormatArgument;
using tz::core::WideSink;

constexpr char16_t kGuard = 0xBEEF;
constexpr size_t kGuards = 16;
constexpr size_t kLargeCapacity = 1024;

using Reader = tz::fuzz::InputReader;

// Texts live in blocks of exactly their size, so that reading past a terminator is caught.
struct Arguments {
  std::vector<FormatArgument> list;
  std::vector<std::unique_ptr<char16_t[]>> wide;
  std::vector<std::unique_ptr<char[]>> narrow;
};

template <typename Char>
const Char* readText(Reader& in, size_t maxLength, std::vector<std::unique_ptr<Char[]>>& store) {
  const size_t length = in.take(1) % maxLength;
  auto& text = store.emplace_back(new Char[length + 1]);
  for (size_t i = 0; i < length; ++i) text[i] = static_cast<Char>(in.take(sizeof(Char)));
  text[length] = 0;
  return text.get();
}

void readArgument(Reader& in, Arguments& out) {
  switch (in.take(1) % 5) {
    case 0:
      out.list.emplace_back(static_cast<int32_t>(in.take(4)));
      break;
    case 1:
      out.list.emplace_back(static_cast<int64_t>(in.take(8)));
      break;
    case 2: {
      const uint64_t bits = in.take(8);
      double value = 0;
      std::memcpy(&value, &bits, sizeof value);
      out.list.emplace_back(value);
      break;
    }
    case 3:
      out.list.emplace_back(readText(in, 16, out.wide));
      break;
    default:
      out.list.emplace_back(readText(in, 32, out.narrow));
      break;
  }
}

ConversionSpec readConversion(Reader& in) {
  ConversionSpec conversion;
  const auto flags = static_cast<unsigned>(in.take(1));
  conversion.leftAlign = (flags & 1) != 0;
  conversion.plusSign = (flags & 2) != 0;
  conversion.spaceSign = (flags & 4) != 0;
  conversion.alternate = (flags & 8) != 0;
  conversion.zeroPad = (flags & 16) != 0;
  conversion.widthFromArgument = (flags & 32) != 0;
  conversion.precisionFromArgument = (flags & 64) != 0;
  conversion.letter = static_cast<char16_t>(in.take(1));
  conversion.size = static_cast<ConversionSpec::Size>(in.take(1) % 7);
  conversion.width = static_cast<int8_t>(in.take(1)) * 1000;
  conversion.precision = static_cast<int8_t>(in.take(1)) * 1000;
  return conversion;
}

void checkParser(std::u16string_view format) {
  static constexpr std::u16string_view kLetters = u"cCsSdiuoxXeEfgGp";
  for (size_t at = format.find(u'%'); at != format.npos; at = format.find(u'%', at + 1)) {
    ConversionSpec conversion;
    const size_t length = tz::core::parseConversion(format.substr(at), conversion);
    if (length == 0) continue;
    if (length > format.size() - at || format[at + length - 1] != conversion.letter) std::abort();
    if (kLetters.find(conversion.letter) == kLetters.npos) std::abort();
    if (conversion.width < 0 || conversion.precision < -1) std::abort();
  }
}

// Formats into a buffer with guards after the capacity; checks the bound and the guards.
std::u16string formatChecked(std::u16string_view format, const ConversionSpec& raw,
                             const Arguments& args, size_t capacity, bool& truncated) {
  std::vector<char16_t> buffer(capacity + kGuards, kGuard);
  WideSink sink(buffer.data(), capacity);
  ArrayArguments arguments(args.list);
  const size_t written = tz::core::formatWide(sink, format, arguments);
  tz::core::formatConversion(raw, arguments, sink);
  if (written > sink.length() || sink.length() + (capacity > 0 ? 1 : 0) > capacity) std::abort();
  if (capacity > 0 && buffer[sink.length()] != 0) std::abort();
  for (size_t i = capacity; i < buffer.size(); ++i)
    if (buffer[i] != kGuard) std::abort();
  truncated = sink.truncated();
  return std::u16string(sink.text());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const size_t capacity = in.take(2) % 601;
  const ConversionSpec raw = readConversion(in);
  Arguments args;
  for (size_t count = in.take(1) % 8; count > 0; --count) readArgument(in, args);
  const size_t start = in.at < size ? in.at : size;
  std::vector<char16_t> format((size - start) / 2);
  if (!format.empty()) std::memcpy(format.data(), data + start, format.size() * 2);
  const std::u16string_view text(format.data(), format.size());

  checkParser(text);
  bool truncated = false, largeTruncated = false;
  const std::u16string small = formatChecked(text, raw, args, capacity, truncated);
  const std::u16string large = formatChecked(text, raw, args, kLargeCapacity, largeTruncated);
  size_t expected = capacity > 0 ? std::min(large.size(), capacity - 1) : 0;
  // A text is cut before a surrogate pair that does not fit whole, never between its halves.
  // A high surrogate takes the last place only with room for its partner, even a lone one.
  if (expected > 0 && expected == capacity - 1 && large[expected - 1] >= 0xD800 &&
      large[expected - 1] <= 0xDBFF)
    --expected;
  if (small.size() != expected || large.compare(0, expected, small) != 0) std::abort();
  if (!largeTruncated && truncated != (large.size() > expected)) std::abort();
  return 0;
}

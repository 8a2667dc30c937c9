// The formatted print and message composition on any format, with typed arguments of any
// kind: what is written stays within the capacity, is terminated, and the guard characters
// after the capacity are never touched.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "support/ui/compose_message.h"
#include "support/ui/print_writer.h"

namespace {

constexpr char16_t kGuard = 0xBEEF;
constexpr size_t kGuards = 16;

struct Input : tz::fuzz::InputReader {
  uint64_t bits() { return take(8); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const bool compose = in.byte() & 1;
  const size_t capacity = in.byte() * 3;
  // Up to six arguments; texts are short pieces cut from the input.
  std::vector<std::u16string> wides;
  std::vector<std::string> narrows;
  wides.reserve(6), narrows.reserve(6);
  std::vector<tz::core::FormatArgument> args;
  for (int n = in.byte() % 7; n > 0; --n) {
    const uint64_t bits = in.bits();
    switch (bits % 5) {
      case 0:
        args.emplace_back(static_cast<int32_t>(bits >> 8));
        break;
      case 1:
        args.emplace_back(static_cast<int64_t>(bits));
        break;
      case 2: {
        double real;
        std::memcpy(&real, &bits, sizeof real);
        args.emplace_back(real);
        break;
      }
      case 3:
        args.emplace_back(wides.emplace_back(bits >> 60, char16_t(bits >> 8)).c_str());
        break;
      default:
        args.emplace_back(narrows.emplace_back(bits >> 60, char(bits >> 8)).c_str());
    }
  }
  std::u16string format(in.remaining() / 2, u'\0');
  std::memcpy(format.data(), in.data + in.at, format.size() * 2);

  std::vector<char16_t> buffer(capacity + kGuards, kGuard);
  tz::core::WideSink sink(buffer.data(), capacity);
  tz::core::ArrayArguments source(args);
  const size_t written =
      compose ? tz::ui::composeMessage(sink, format, source) : tz::ui::printF(sink, format, source);
  if (capacity > 0 && (written > capacity - 1 || buffer[written] != 0)) std::abort();
  if (capacity == 0 && written != 0) std::abort();
  for (size_t i = capacity; i < buffer.size(); ++i)
    if (buffer[i] != kGuard) std::abort();
  return 0;
}

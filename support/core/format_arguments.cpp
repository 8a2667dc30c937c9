// Typed formatter arguments: each read converts what the caller gave into what the conversion
// asks for, with every conversion defined (no float-to-integer cast outside its range).
#include <cmath>
#include <cstdint>
#include <limits>

#include "support/core/format_arguments.h"

namespace tz::core {
namespace {

using Kind = FormatArgument::Kind;

// Truncates towards zero and saturates; NaN is 0. 2^63 is exact as a double, so the bounds are
// tested on doubles and the cast happens only inside them.
int64_t saturatedInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (value < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

int32_t saturatedInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// Any number as a 64-bit integer; text and missing arguments are 0.
int64_t integerOf(const FormatArgument* arg) {
  if (arg == nullptr) return 0;
  switch (arg->kind) {
    case Kind::Int32:
      return arg->int32;
    case Kind::UInt32:
      return arg->uint32;
    case Kind::Int64:
      return arg->int64;
    case Kind::Double:
      return saturatedInt64(arg->real);
    default:
      return 0;
  }
}

}  // namespace

const FormatArgument* ArrayArguments::take() {
  const size_t index = next_++;
  return index < args_.size() ? &args_[index] : nullptr;
}

int32_t ArrayArguments::nextInt32() {
  // A 32-bit argument of either sign keeps its bits, as it would through a va_list.
  const FormatArgument* arg = take();
  if (arg != nullptr && arg->kind == Kind::UInt32) return static_cast<int32_t>(arg->uint32);
  return saturatedInt32(integerOf(arg));
}

int64_t ArrayArguments::nextInt64() {
  return integerOf(take());
}

double ArrayArguments::nextDouble() {
  const FormatArgument* arg = take();
  if (arg == nullptr) return 0;
  if (arg->kind == Kind::Double) return arg->real;
  return static_cast<double>(integerOf(arg));
}

const char16_t* ArrayArguments::nextWideText() {
  const FormatArgument* arg = take();
  return arg != nullptr && arg->kind == Kind::WideText ? arg->wide : nullptr;
}

// Narrow text read as wide (or the reverse) would be read with the wrong unit size, past the
// end of an odd-length text, so it is a null text like a number.
const char* ArrayArguments::nextNarrowText() {
  const FormatArgument* arg = take();
  return arg != nullptr && arg->kind == Kind::NarrowText ? arg->narrow : nullptr;
}

uint32_t ArrayArguments::nextPointer() {
  const void* text = nullptr;
  if (next_ < args_.size()) {
    const FormatArgument& arg = args_[next_];
    if (arg.kind == Kind::WideText) text = arg.wide;
    if (arg.kind == Kind::NarrowText) text = arg.narrow;
  }
  if (text == nullptr) return static_cast<uint32_t>(nextInt32());
  take();
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text));
}

}  // namespace tz::core

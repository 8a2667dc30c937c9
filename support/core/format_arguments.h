// Where a formatter's conversions take their arguments from: a va_list for the variadic
// exports, or a typed array for the library's own callers, so that no code inside the library
// depends on raw variadic arguments matching their format.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tz::core {

static_assert(sizeof(long) == 4, "FormatArgument takes long as a 32-bit integer");

class FormatArguments {
 public:
  // Each call takes the next argument. An integer of 8 bits or 16 bits arrives promoted to
  // 32; a character is a 32-bit argument too.
  virtual int32_t nextInt32() = 0;
  virtual int64_t nextInt64() = 0;
  virtual double nextDouble() = 0;
  virtual const char16_t* nextWideText() = 0;
  virtual const char* nextNarrowText() = 0;  // UTF-8
  virtual uint32_t nextPointer() = 0;

 protected:
  ~FormatArguments() = default;
};

// The caller's variadic arguments, read in order; they must match what the format asks for.
class VaListArguments final : public FormatArguments {
 public:
  explicit VaListArguments(va_list args) { va_copy(args_, args); }
  ~VaListArguments() { va_end(args_); }
  VaListArguments(const VaListArguments&) = delete;
  VaListArguments& operator=(const VaListArguments&) = delete;

  int32_t nextInt32() override { return va_arg(args_, int32_t); }
  int64_t nextInt64() override { return va_arg(args_, int64_t); }
  double nextDouble() override { return va_arg(args_, double); }
  const char16_t* nextWideText() override { return va_arg(args_, const char16_t*); }
  const char* nextNarrowText() override { return va_arg(args_, const char*); }
  uint32_t nextPointer() override {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(va_arg(args_, void*)));
  }

 private:
  va_list args_;
};

// One typed argument of an ArrayArguments list.
struct FormatArgument {
  enum class Kind : uint8_t { Int32, UInt32, Int64, Double, WideText, NarrowText };
  Kind kind;
  union {
    int32_t int32;
    uint32_t uint32;
    int64_t int64;
    double real;
    const char16_t* wide;
    const char* narrow;
  };
  FormatArgument(int32_t v) : kind(Kind::Int32), int32(v) {}
  FormatArgument(uint32_t v) : kind(Kind::UInt32), uint32(v) {}
  // LONG and DWORD are long and unsigned long, 32 bits here; without these they would be
  // ambiguous between every other number.
  FormatArgument(long v) : kind(Kind::Int32), int32(static_cast<int32_t>(v)) {}
  FormatArgument(unsigned long v) : kind(Kind::UInt32), uint32(static_cast<uint32_t>(v)) {}
  FormatArgument(int64_t v) : kind(Kind::Int64), int64(v) {}
  FormatArgument(uint64_t v) : kind(Kind::Int64), int64(static_cast<int64_t>(v)) {}
  FormatArgument(double v) : kind(Kind::Double), real(v) {}
  FormatArgument(const char16_t* v) : kind(Kind::WideText), wide(v) {}
  FormatArgument(const char* v) : kind(Kind::NarrowText), narrow(v) {}
};

// Typed arguments read in order. An argument read as another kind converts between the
// numbers, saturating where the value does not fit (a double truncated towards zero, NaN as
// 0); a number, or text of the other width, read as text is a null text, and text read as a
// number is 0. A pointer read takes a text's address, or a number as a 32-bit integer read
// would. Reading past the end gives 0 or null. Never undefined.
class ArrayArguments final : public FormatArguments {
 public:
  explicit ArrayArguments(std::span<const FormatArgument> args) : args_(args) {}

  int32_t nextInt32() override;
  int64_t nextInt64() override;
  double nextDouble() override;
  const char16_t* nextWideText() override;
  const char* nextNarrowText() override;
  uint32_t nextPointer() override;
  // Arguments asked for so far, those past the end included: a count other than the array's
  // size means the format and the arguments did not match.
  size_t used() const { return next_; }

 private:
  const FormatArgument* take();

  std::span<const FormatArgument> args_;
  size_t next_ = 0;
};

}  // namespace tz::core

// The formatter's argument sources: typed arrays read as another kind or past their end, and the
// caller's variadic arguments.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <limits>
#include <string>

#include "support/core/format_arguments.h"
#include "support/core/wide_format.h"
#include "tz/win_types.h"

namespace {

using tz::core::ArrayArguments;
using tz::core::FormatArgument;

constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

TEST(ArrayArguments, NumbersConvertSaturatingAndNeverUndefined) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const FormatArgument list[] = {
      3.9, -3.9, 1e300, -1e300, nan, inf, int64_t(1) << 40, -(int64_t(1) << 40)};
  ArrayArguments as32(list);
  for (const int32_t expected : {3, -3, kMax32, kMin32, 0, kMax32, kMax32, kMin32})
    EXPECT_EQ(expected, as32.nextInt32()) << as32.used();

  const FormatArgument wide[] = {9.3e18, -9.3e18, 9223372036854775808.0, -9223372036854775808.0,
                                 nan,    -1};
  ArrayArguments as64(wide);
  for (const int64_t expected : {kMax64, kMin64, kMax64, kMin64, int64_t(0), int64_t(-1)})
    EXPECT_EQ(expected, as64.nextInt64()) << as64.used();

  // Unsigned 32-bit arguments keep their value when read wide; any 32-bit one its bits.
  const FormatArgument unsigned32[] = {uint32_t{0xFFFFFFFF}, DWORD{0x80000000}, uint32_t{5}};
  ArrayArguments asUnsigned(unsigned32);
  EXPECT_EQ(int64_t{0xFFFFFFFF}, asUnsigned.nextInt64());
  EXPECT_EQ(kMin32, asUnsigned.nextInt32());
  EXPECT_EQ(5.0, asUnsigned.nextDouble());

  const FormatArgument reals[] = {7, kMin64, 2.5};
  ArrayArguments asDouble(reals);
  EXPECT_EQ(7.0, asDouble.nextDouble());
  EXPECT_EQ(-9223372036854775808.0, asDouble.nextDouble());
  EXPECT_EQ(2.5, asDouble.nextDouble());
}

TEST(ArrayArguments, KindsThatDoNotMatchGiveZeroOrNullAndTheEndIsCounted) {
  const char16_t* wideText = u"w";
  const char* narrowText = "n";
  const DWORD dword = 0xFFFFFFFF;
  const LONG negative = -2;
  const FormatArgument list[] = {wideText, narrowText, 5,     2.0,
                                 wideText, narrowText, dword, negative};
  ArrayArguments args(list);
  EXPECT_EQ(0, args.nextInt32());
  EXPECT_EQ(0.0, args.nextDouble());
  EXPECT_EQ(nullptr, args.nextWideText());
  EXPECT_EQ(nullptr, args.nextNarrowText());
  EXPECT_EQ(nullptr, args.nextNarrowText());
  EXPECT_EQ(nullptr, args.nextWideText());
  EXPECT_EQ(0xFFFFFFFFu, args.nextPointer());
  EXPECT_EQ(-2, args.nextInt64());
  EXPECT_EQ(0, args.nextInt64());
  EXPECT_EQ(nullptr, args.nextWideText());
  EXPECT_EQ(0u, args.nextPointer());
  EXPECT_EQ(11u, args.used());

  ArrayArguments pointers(list);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wideText), pointers.nextPointer());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(narrowText), pointers.nextPointer());
  EXPECT_EQ(5u, pointers.nextPointer());
}

std::u16string formatVariadic(const char16_t* format, ...) {
  char16_t buffer[128];
  tz::core::WideSink sink(buffer, 128);
  va_list list;
  va_start(list, format);
  tz::core::VaListArguments args(list);
  tz::core::formatWide(sink, format, args);
  va_end(list);
  return std::u16string(sink.text());
}

TEST(VaListArguments, ReadsEachKindInOrder) {
  EXPECT_EQ(u"-5 -9000000000 2.50 wide narrow 0000ABCD Z 7",
            formatVariadic(u"%d %lld %.2f %s %S %p %c %*d", -5, -9000000000LL, 2.5, u"wide",
                           "narrow", reinterpret_cast<void*>(0xABCD), 'Z', 1, 7));
}

}  // namespace

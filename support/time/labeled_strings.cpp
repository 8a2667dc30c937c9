// Values with a unit label, in temporary strings of the module's scratch ring. The number is
// written first, so that the scratch request is exactly the number and the suffix, however long
// the suffix is; a request the ring cannot serve gives the error label.
#include <climits>
#include <cmath>
#include <string_view>

#include "support/core/wide_sink.h"
#include "support/lang/lang_context.h"
#include "support/resources/support_strings.h"
#include "support/time/saturating_cast.h"
#include "support/time/time_labels.h"
#include "support/ui/print_writer.h"
#include "tz/time_text.h"

namespace tz::time {
namespace {

// "$.9f" of the largest double: 309 digits, their group separators, the decimals and a sign.
constexpr size_t kNumberCapacity = 1024;
constexpr int kMaxDecimals = 9;

// "$.Xz" or "$.Xf" with X the decimals held to 1..9.
std::u16string decimalsFormat(int decimals, char16_t letter) {
  const int held = decimals > kMaxDecimals ? kMaxDecimals : decimals;
  return {u'$', u'.', static_cast<char16_t>(u'0' + held), letter};
}

const WCHAR* withSuffix(std::u16string_view numberFormat, core::FormatArgument value,
                        const WCHAR* suffix) {
  WCHAR number[kNumberCapacity];
  core::WideSink sink(number, kNumberCapacity);
  core::ArrayArguments source({&value, 1});
  ui::printF(sink, numberFormat, source);
  const std::u16string_view label = suffix != nullptr ? suffix : u"";
  if (sink.truncated() || label.size() > INT_MAX - sink.length())
    return timeTextString(IDS_TIME_ERROR);
  const size_t length = sink.length() + label.size();
  WCHAR* text = TzGetTempStringBuffer(lang::moduleLanguage(), static_cast<int>(length));
  if (text == nullptr) return timeTextString(IDS_TIME_ERROR);
  ui::printF(text, length + 1, u"%s%s", {number, label.data()});
  return text;
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

const WCHAR* TZ_STDCALL TzGetLabeledStringFixed(LONG value, int decimals, LONG limit,
                                                const WCHAR* suffix) {
  if (limit != 0 && value >= limit) return tt::timeTextString(IDS_TIME_INFINITE);
  if (decimals <= 0) return tt::withSuffix(u"$d", value, suffix);
  return tt::withSuffix(tt::decimalsFormat(decimals, u'z'), value, suffix);
}

const WCHAR* TZ_STDCALL TzGetLabeledStringFloat(double value, int decimals, double limit,
                                                const WCHAR* suffix) {
  if (limit != 0.0 && value >= limit) return tt::timeTextString(IDS_TIME_INFINITE);
  if (decimals <= 0)
    return tt::withSuffix(u"$d", tt::saturatingTrunc<LONG>(std::round(value)), suffix);
  return tt::withSuffix(tt::decimalsFormat(decimals, u'f'), value, suffix);
}

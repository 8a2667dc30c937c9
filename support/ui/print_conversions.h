// The conversions of the formatted print, one "%" or "$" conversion at a time.
#pragma once

#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_sink.h"

namespace tz::ui {

// Appends source formatted for the locale (grouping, decimal sign) with decimals decimals;
// -1 keeps as many as source has after its first ".".
void appendLocaleNumber(core::WideSink& sink, std::u16string_view source, int decimals);

// Writes the conversion that the "%" or "$" at format[start] opens ("$" formats for the
// locale) and returns the index after it.
size_t writeConversion(std::u16string_view format, size_t start, core::FormatArguments& args,
                       core::WideSink& sink);

}  // namespace tz::ui

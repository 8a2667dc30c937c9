// Message composition in the manner of the system's message formatter: numbered inserts
// "%1" to "%99" into a template, each with an optional "!printf conversion!".
#pragma once

#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_sink.h"

namespace tz::ui {

// Writes tmpl into sink. "%1" to "%99" insert the argument of that number, as a wide string
// or as the conversion between "!" marks ("%2!d!", "%1!hs!"); "%0" ends the text; "%n"
// writes CR LF, "%r" CR and "%t" a tab; "%" before any other character writes that
// character. Arguments are read once each, in number order, up to the highest number used,
// so an insert may repeat. Floating-point and "*" conversions are not inserts: they, and
// any conversion that is not well-formed, are written as they stand. Returns the characters
// written.
size_t composeMessage(core::WideSink& sink, std::u16string_view tmpl, core::FormatArguments& args);

}  // namespace tz::ui

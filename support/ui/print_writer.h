// The library's formatted print: "%" conversions as the ordinary formatter writes them, "$"
// conversions formatted for the user's locale, the library's separators, and named print
// tokens ("$(AppName)"). Every writer inside the library uses these bounded forms.
#pragma once

#include <initializer_list>
#include <string_view>

#include "support/core/format_arguments.h"
#include "support/core/wide_sink.h"

namespace tz::ui {

// Writes format into sink, taking the conversions' arguments from args. A conversion passes
// to the ordinary formatter only when it is well-formed; any other text that starts with "%"
// or "$" is written as it stands and takes no argument. Returns the characters written.
size_t printF(core::WideSink& sink, std::u16string_view format, core::FormatArguments& args);

// The same into buffer (capacity characters, terminator included) with typed arguments.
size_t printF(char16_t* buffer, size_t capacity, std::u16string_view format,
              std::initializer_list<core::FormatArgument> args = {});

// Writes text as it stands except that each "$(Name)" naming a registered token becomes the
// token's value: for texts that are no format, such as messages with the application's name.
size_t expandPrintTokens(core::WideSink& sink, std::u16string_view text);

}  // namespace tz::ui

// The process-wide registry of named print tokens: "$(Name)" in a formatted print writes the
// value stored under Name. Names compare without regard to case. Every call takes the
// registry's lock; values are copied out while it is held, so a concurrent delete never frees
// a value under its reader.
#pragma once

#include <string_view>

#include "support/core/wide_sink.h"

namespace tz::ui {

// Names and values longer than this are refused.
constexpr size_t kPrintTokenMaxLength = 1 << 20;

// Stores value under name, replacing a token of the same name. The new item is allocated
// before the old one goes, so a failure leaves the registry as it was. False on failure.
bool addPrintToken(std::u16string_view name, std::u16string_view value);
// Removes the token; false when there was none.
bool deletePrintToken(std::u16string_view name);
// Appends the token's value to sink; false (sink untouched) when no token has that name.
bool writePrintToken(std::u16string_view name, core::WideSink& sink);

// The application the library's messages speak of until a host names itself.
constexpr std::u16string_view kDefaultAppName = u"Loopra";

// Publishes the library's own separators (SMPTE.Whole, SMPTE.NonDrop, SMPTE.Drop, m.b, b.t)
// and the application's name (AppName) as tokens. Done once per process, at the first use of the
// registry at the latest.
void registerLibraryPrintTokens();
// Frees every token when the module that holds the library unloads; afterwards the registry
// stores nothing and finds nothing.
void releasePrintTokens();

}  // namespace tz::ui

// Registry data as tzreg reads it from /t and /d and shows it: REG_DWORD in decimal or
// 0x hex and shown as 0x7, REG_BINARY as hex digits, REG_MULTI_SZ items joined by \0.
#pragma once

#include <string>
#include <string_view>

#include "support/platform/registry.h"

namespace tz::tzreg {

// "" on success, else the error line.
std::string parseType(std::string_view name, platform::RegistryType& type);
std::string parseData(platform::RegistryType type, std::string_view text, std::string& data);

std::string typeName(platform::RegistryType type);
// Strings and lists as their text, escaped as shownText does.
std::string showData(platform::RegistryType type, std::string_view data);
// Text as it may go to a terminal: control characters (C0, DEL, C1) show as \xNN below U+0080
// and \uNNNN above, as do the line and paragraph separators and the bidirectional formatting
// characters, and each byte that is not UTF-8 as \xNN. The rest, backslashes included, shows as
// it is, so that printable text reads back exactly (and an escape and its text look alike).
std::string shownText(std::string_view text);

}  // namespace tz::tzreg

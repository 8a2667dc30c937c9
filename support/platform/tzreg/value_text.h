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
std::string showData(platform::RegistryType type, std::string_view data);

}  // namespace tz::tzreg

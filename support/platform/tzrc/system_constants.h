// The constants that resource scripts take from the original platform's system headers
// (windows.h, winres.h): languages and sub-languages, and the window, dialog and control styles.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tz::tzrc {

struct SystemConstant {
  std::string_view name;
  int64_t value;
};

std::span<const SystemConstant> systemConstants();
std::span<const SystemConstant> styleConstants();

}  // namespace tz::tzrc

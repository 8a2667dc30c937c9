// The help-file paths of the module that links the library: index 0 the manual, index 1 the
// context help. They lie beside the module, named after it; in a language other than English
// the language's three-letter name is added ("LoopraReWire_DEU.chm").
#pragma once

#include <string>

namespace tz::ui {

constexpr int kHelpFileCount = 2;
constexpr size_t kHelpPathCapacity = 260;  // characters with the terminator

// The path for index in the module's current language; empty for another index or before the
// module's language context is open.
std::u16string createHelpFilePath(int index);
// Keeps path for index (cut to 259 characters); another index is ignored.
void setHelpFilePath(int index, const std::u16string& path);
std::u16string helpFilePath(int index);

}  // namespace tz::ui

#include "support/ui/help_file_paths.h"

#include <mutex>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "support/platform/text_encoding.h"

namespace tz::ui {

namespace {

std::mutex pathsLock;

// Built at first use: the module's start-up sets the paths before this file's own static
// initialisation may have run.
std::u16string* paths() {
  static std::u16string stored[kHelpFileCount];
  return stored;
}

}  // namespace

std::u16string createHelpFilePath(int index) {
  if (index < 0 || index >= kHelpFileCount || lang::moduleLanguage() == nullptr) return {};
  std::string path = platform::imagePath(lang::moduleInstance());
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  std::u16string result = platform::utf16FromUtf8(path);
  WCHAR language[4] = {};
  const HTZLANG context = lang::moduleLanguage();
  if (!TzLang_IsLCIDEnglish(TzLang_GetLCID(context)) && TzLang_GetLCID(context) != 0 &&
      TzLang_GetLangAbbrev(context, language, 4))
    result += std::u16string(u"_") + language;
  result += index == 0 ? u".chm" : u".hlp";
  return result;
}

void setHelpFilePath(int index, const std::u16string& path) {
  if (index < 0 || index >= kHelpFileCount) return;
  std::lock_guard hold(pathsLock);
  paths()[index] = path.substr(0, kHelpPathCapacity - 1);
}

std::u16string helpFilePath(int index) {
  if (index < 0 || index >= kHelpFileCount) return {};
  std::lock_guard hold(pathsLock);
  return paths()[index];
}

}  // namespace tz::ui

// The module-wide language context. Each module links the library in, so each has its own.
#include <atomic>

#include "support/lang/lang_context.h"

namespace tz::lang {

namespace {

std::atomic<HTZLANG> moduleContext{nullptr};
std::atomic<HINSTANCE> instanceOfModule{nullptr};
std::atomic<void (*)()> languageListener{nullptr};

}  // namespace

HTZLANG moduleLanguage() {
  return moduleContext.load();
}

HINSTANCE moduleInstance() {
  return instanceOfModule.load();
}

HRESULT openModuleLanguage(HINSTANCE instance) {
  instanceOfModule = instance;
  HTZLANG context = nullptr;
  const HRESULT status = TzLang_Open(&context, instance, 0, 0);
  TzLang_Close(moduleContext.exchange(context));
  return status;
}

void closeModuleLanguage() {
  TzLang_Close(moduleContext.exchange(nullptr));
  instanceOfModule = nullptr;
}

void setModuleLanguageListener(void (*listener)()) {
  languageListener = listener;
}

const WCHAR* moduleStringOrEnglish(UINT id, std::span<const EnglishString> english) {
  const WCHAR* loaded = TzGetString(moduleLanguage(), id);
  if (loaded != nullptr && loaded[0] != u'\0') return loaded;
  for (const EnglishString& row : english)
    if (row.id == id) return row.text;
  return u"";
}

void moduleLanguageSwitched() {
  if (void (*listener)() = languageListener.load()) listener();
}

}  // namespace tz::lang

// The language context behind an HTZLANG, and the module-wide context that every module using
// the library holds.
#pragma once

#include <atomic>
#include <span>

#include "support/platform/data_module.h"
#include "support/platform/recursive_lock.h"
#include "tz/lang.h"
#include "tz/list.h"

struct TzLangContext {
  HINSTANCE module = nullptr;        // whose own resources are the fallback
  tz::platform::RecursiveLock lock;  // guards the string cache and the scratch ring
  bool lockInitialised = false;
  LONG ringCapacity = 0;  // in characters
  LONG ringReserve = 0;
  LONG ringPosition = 0;
  WCHAR* ring = nullptr;
  // Read without the lock by every lookup, written by a language switch.
  std::atomic<BOOL> useLanguageModule{FALSE};
  std::atomic<HINSTANCE> languageModule{nullptr};  // the "LNG" module, or the module itself
  std::atomic<LCID> language{0};
  DWORD reserved = 0;
  tTZLIST* cache = nullptr;  // items: 32-bit id then the text, sorted by id
  // The "LNG" module this context read itself, as data, freed at close.
  tz::platform::DataModule ownedLanguageModule;
};

namespace tz::lang {

// The module-wide context of the module this code is linked into, and its instance; null
// before openModuleLanguage.
HTZLANG moduleLanguage();
HINSTANCE moduleInstance();
// Records the instance and opens its context (at load, once processor support and the timers
// are up); S_OK or TzLang_Open's status.
HRESULT openModuleLanguage(HINSTANCE instance);
// Closes the module-wide context and forgets the instance (at unload).
void closeModuleLanguage();

// A text of the library's that code linked without its string table still needs.
struct EnglishString {
  UINT id;
  const char16_t* text;
};
// The string of the module-wide context, else the English text listed for id, else "".
const WCHAR* moduleStringOrEnglish(UINT id, std::span<const EnglishString> english);

// Called after a language switch changed the module-wide context's locale, so that texts built
// once from its strings (the time label tokens) follow the language; null for none.
void setModuleLanguageListener(void (*listener)());
void moduleLanguageSwitched();

// The instance that holds the module (for resource lookups): the language module when the
// context uses it, else the module.
inline HINSTANCE lookupInstance(const TzLangContext& context) {
  const HINSTANCE language = context.languageModule.load();
  return context.useLanguageModule.load() && language != nullptr ? language : context.module;
}

}  // namespace tz::lang

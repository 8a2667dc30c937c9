// Opening and closing language contexts, and the language module they read.
#include <cstdio>
#include <new>
#include <string>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"

namespace {

constexpr LONG kDefaultRing = 8192;
constexpr LONG kMinimumRing = 2048;
constexpr LONG kRingReserve = 1024;

// The language module's path: the module's file with its extension replaced by "LNG" (one
// is added to a file name without an extension; a dot in a folder name does not count).
std::string languageModulePath(const std::string& modulePath) {
  const size_t slash = modulePath.find_last_of('/');
  const size_t dot = modulePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? modulePath.substr(0, dot) : modulePath) + ".LNG";
}

// The language module beside the module, read as data so that nothing in it runs; the module
// itself when there is none. A file that is there but cannot be used gets one line on stderr:
// the user would otherwise see English without knowing why.
HINSTANCE openLanguageModule(tz::platform::DataModule& languageModule, HINSTANCE module) {
  using tz::platform::PlatformError;
  const std::string modulePath = tz::platform::imagePath(module);
  if (modulePath.empty()) return module;
  const std::string path = languageModulePath(modulePath);
  const PlatformError loaded = languageModule.load(path);
  if (loaded == PlatformError::Success)
    return static_cast<HINSTANCE>(const_cast<void*>(languageModule.instance()));
  if (loaded != PlatformError::FileNotFound && loaded != PlatformError::PathNotFound)
    std::fprintf(stderr, "%s: %s (error %u), not used; texts stay in English\n", path.c_str(),
                 loaded == PlatformError::BadFormat              ? "damaged or no module file"
                 : loaded == PlatformError::ResourceTypeNotFound ? "a module without resources"
                                                                 : "cannot be read",
                 static_cast<unsigned>(loaded));
  return module;
}

}  // namespace

TZAPI(HRESULT) TzLang_Open(HTZLANG* lang, HINSTANCE module, LCID locale, LONG ringCharacters) {
  if (lang == nullptr) return E_INVALIDARG;
  *lang = nullptr;
  auto* context = new (std::nothrow) TzLangContext;
  if (context == nullptr) return E_OUTOFMEMORY;

  context->ringCapacity = ringCharacters <= 0              ? kDefaultRing
                          : ringCharacters <= kMinimumRing ? kMinimumRing
                                                           : ringCharacters;
  context->ringReserve = kRingReserve;
  context->ring = new (std::nothrow) WCHAR[static_cast<size_t>(context->ringCapacity)]();
  if (context->ring == nullptr) {
    TzLang_Close(context);
    return E_OUTOFMEMORY;
  }
  const HRESULT created =
      TzList_CreateExZ(&context->cache, 8, 0, 0, TZLIST_OPT_HEAP | TZLIST_OPT_ANYTHREAD, 0, 0, 0);
  if (FAILED(created)) {
    TzLang_Close(context);
    return created;
  }
  if (locale != 0) context->language = locale;
  context->reserved = 0;
  context->module = module;

  context->languageModule = openLanguageModule(context->ownedLanguageModule, module);

  context->lockInitialised = true;
  *lang = context;
  return S_OK;
}

TZAPI(HRESULT) TzLang_Close(HTZLANG lang) {
  if (lang == nullptr) return S_OK;
  TzList_Destroy(lang->cache);
  delete[] lang->ring;
  delete lang;  // frees the language module it read
  return S_OK;
}

TZAPI(HINSTANCE) TzLang_InstFromLang(HTZLANG lang) {
  return lang != nullptr ? tz::lang::lookupInstance(*lang) : nullptr;
}

TZAPI(BOOL) TzLang_ChangeLangInst(HTZLANG lang, HINSTANCE instance) {
  const HTZLANG moduleWide = tz::lang::moduleLanguage();
  if (lang == nullptr || moduleWide == nullptr) return FALSE;
  if (instance == nullptr) return TRUE;
  lang->languageModule = instance;
  moduleWide->languageModule = instance;
  return TRUE;
}

// Opening and closing language contexts, and the language module they load.
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

}  // namespace

TZAPI(HRESULT) TzLang_Open(HTZLANG* lang, HINSTANCE module, LCID locale, LONG ringCharacters) {
  if (lang == nullptr) return E_INVALIDARG;
  *lang = nullptr;
  auto* context = new (std::nothrow) TzLangContext;
  if (context == nullptr) return E_OUTOFMEMORY;

  context->ringCapacity = ringCharacters <= 0            ? kDefaultRing
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

  const std::string modulePath = tz::platform::imagePath(module);
  if (!modulePath.empty() &&
      context->ownedLanguageModule.loadFromPath(languageModulePath(modulePath)) ==
          tz::platform::PlatformError::Success)
    context->languageModule = reinterpret_cast<HINSTANCE>(
        const_cast<void*>(context->ownedLanguageModule.image()));
  if (context->languageModule.load() == nullptr) context->languageModule = module;

  context->lockInitialised = true;
  *lang = context;
  return S_OK;
}

TZAPI(HRESULT) TzLang_Close(HTZLANG lang) {
  if (lang == nullptr) return S_OK;
  TzList_Destroy(lang->cache);
  delete[] lang->ring;
  delete lang;  // unloads the language module it loaded
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

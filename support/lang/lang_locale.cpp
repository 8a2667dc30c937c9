// Locales of language contexts: the language switch, the conditioned locale and its name.
#include "support/lang/lang_context.h"
#include "support/platform/language_names.h"
#include "support/ui/window_layout.h"

namespace {

constexpr LCID kEnglishUnitedStates = 1033;

LCID primaryLanguage(LCID locale) {
  return locale & 0x3FF;
}

LCID subLanguage(LCID locale) {
  return (locale >> 10) & 0x3F;
}

// Stores a new locale; a change empties the string cache, whose texts were in the old one.
// True when the locale changed.
bool switchLocale(TzLangContext& context, LCID locale) {
  if (context.language.load() == locale) return false;
  context.language = locale;
  context.lock.lock();
  if (context.cache != nullptr) TzList_DeleteList(context.cache, 0, -1, FALSE);
  context.lock.unlock();
  return true;
}

}  // namespace

TZAPI(LCID) TzLang_GetLCID(HTZLANG lang) {
  return lang != nullptr ? lang->language.load() : 0;
}

TZAPI(BOOL) TzLang_IsLCIDEnglish(LCID locale) {
  return primaryLanguage(locale) == 9;
}

TZAPI(BOOL) TzLang_UseRTL(HTZLANG lang) {
  if (lang == nullptr) return FALSE;
  const LCID primary = primaryLanguage(lang->language.load());
  return primary == 1 || primary == 13 || primary == 32 || primary == 41;
}

TZAPI(LCID) TzLang_GetConditionedLCID(LCID locale) {
  const LCID primary = primaryLanguage(locale);
  const LCID sub = subLanguage(locale);
  if (primary == 4) return primary | (sub == 1 || sub == 3 || sub == 5 ? 1 : 2) << 10;
  if (primary == 22) return locale;
  return primary | 1 << 10;
}

TZAPI(BOOL) TzLang_UpdateKernelLCID(HTZLANG lang, LCID locale, DWORD) {
  const HTZLANG moduleWide = tz::lang::moduleLanguage();
  if (lang == nullptr || moduleWide == nullptr) return FALSE;
  if (locale == 0) locale = kEnglishUnitedStates;
  const bool switched = switchLocale(*lang, locale);
  const bool moduleSwitched = switchLocale(*moduleWide, locale) || (lang == moduleWide && switched);
  const BOOL useLanguageModule = !TzLang_IsLCIDEnglish(lang->language.load());
  lang->useLanguageModule = useLanguageModule;
  moduleWide->useLanguageModule = useLanguageModule;
  tz::ui::setDefaultLayoutRightToLeft(TzLang_UseRTL(lang) != FALSE);
  if (moduleSwitched) tz::lang::moduleLanguageSwitched();
  return TRUE;
}

TZAPI(BOOL) TzLang_GetLangAbbrev(HTZLANG lang, WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length < 1) return FALSE;
  buffer[0] = u'\0';
  if (lang == nullptr) return FALSE;
  const std::string_view name =
      tz::platform::abbreviatedLanguageName(TzLang_GetConditionedLCID(lang->language.load()));
  if (name.empty() || name.size() >= static_cast<size_t>(length)) return FALSE;
  for (size_t i = 0; i < name.size(); ++i) buffer[i] = static_cast<WCHAR>(name[i]);
  buffer[name.size()] = u'\0';
  return TRUE;
}

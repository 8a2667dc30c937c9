// Resource lookup through a language context: the language module in the context's language
// first when the context uses it, then the module itself.
#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "support/platform/text_encoding.h"

namespace {

using tz::platform::ResourceEntry;
using tz::platform::ResourceKey;

// A type or name as the caller passes it; false for a null one, which names nothing.
bool keyOf(const WCHAR* pointer, ResourceKey& key) {
  const auto value = reinterpret_cast<uintptr_t>(pointer);
  if (value == 0) return false;
  if (value < 0x10000) {
    key = ResourceKey::id(static_cast<uint16_t>(value));
    return true;
  }
  std::u16string_view text(pointer);
  if (text.size() > 1 && text[0] == u'#') {
    uint32_t number = 0;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9' || number > 0xFFFF) return false;
      number = number * 10 + (c - u'0');
    }
    if (number > 0xFFFF) return false;
    key = ResourceKey::id(static_cast<uint16_t>(number));
    return true;
  }
  key = ResourceKey::named(text);
  return true;
}

bool usesLanguageModule(const TzLangContext& context) {
  return context.useLanguageModule.load() && context.languageModule.load() != nullptr;
}

const ResourceEntry* findInLanguageModule(const TzLangContext& context, ResourceKey type,
                                          ResourceKey name) {
  if (!usesLanguageModule(context)) return nullptr;
  return tz::platform::findResource(context.languageModule.load(), type, name,
                                    static_cast<uint16_t>(context.language.load()));
}

HRSRC handleOf(const ResourceEntry* entry) {
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

const ResourceEntry* entryOf(HRSRC resource) {
  return reinterpret_cast<const ResourceEntry*>(resource);
}

}  // namespace

TZAPI(HRSRC) TzFindResource(HTZLANG lang, const WCHAR* name, const WCHAR* type) {
  ResourceKey nameKey, typeKey;
  if (lang == nullptr || !keyOf(name, nameKey) || !keyOf(type, typeKey)) return nullptr;
  if (const ResourceEntry* entry = findInLanguageModule(*lang, typeKey, nameKey))
    return handleOf(entry);
  return handleOf(tz::platform::findResourceDefault(lang->module, typeKey, nameKey));
}

TZAPI(HRSRC)
TzFindResourceMulti(HTZLANG lang, const WCHAR* name, const WCHAR* const* types, LONG count,
                    LONG* typeIndex) {
  ResourceKey nameKey;
  if (lang == nullptr || types == nullptr || count < 1 || !keyOf(name, nameKey)) return nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    for (LONG i = 0; i < count; ++i) {
      ResourceKey typeKey;
      if (!keyOf(types[i], typeKey)) continue;
      const ResourceEntry* entry =
          pass == 0 ? findInLanguageModule(*lang, typeKey, nameKey)
                    : tz::platform::findResourceDefault(lang->module, typeKey, nameKey);
      if (entry != nullptr) {
        if (typeIndex != nullptr) *typeIndex = i;
        return handleOf(entry);
      }
    }
  }
  return nullptr;
}

TZAPI(HINSTANCE) TzFindResInstance(HTZLANG lang, const WCHAR* name, const WCHAR* type) {
  ResourceKey nameKey, typeKey;
  if (lang == nullptr) return nullptr;
  if (keyOf(name, nameKey) && keyOf(type, typeKey) &&
      findInLanguageModule(*lang, typeKey, nameKey) != nullptr)
    return lang->languageModule.load();
  return lang->module;
}

TZAPI(HGLOBAL) TzLoadResource(HTZLANG lang, HRSRC resource) {
  if (lang == nullptr || resource == nullptr) return nullptr;
  if (usesLanguageModule(*lang))
    if (const void* data =
            tz::platform::resourceData(lang->languageModule.load(), entryOf(resource)))
      return const_cast<void*>(data);
  return const_cast<void*>(tz::platform::resourceData(lang->module, entryOf(resource)));
}

TZAPI(DWORD) TzSizeofResource(HTZLANG lang, HRSRC resource) {
  if (lang == nullptr || resource == nullptr) return 0;
  if (usesLanguageModule(*lang))
    if (const uint32_t size =
            tz::platform::resourceSize(lang->languageModule.load(), entryOf(resource)))
      return size;
  return tz::platform::resourceSize(lang->module, entryOf(resource));
}

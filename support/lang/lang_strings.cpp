// String loading by id, the string cache and the scratch ring.
#include <cstring>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"

namespace {

constexpr int kCachedStringCharacters = 1024;
constexpr char16_t kMarker[] = u"^*";  // marks texts shown without it

// Cache items are a 32-bit id followed by the text; the key is an id alone.
LONG TZ_CALLBACK compareIds(DWORD, const void* a, const void* b) {
  uint32_t left = 0, right = 0;
  memcpy(&left, a, sizeof left);
  memcpy(&right, b, sizeof right);
  return left < right ? -1 : left > right ? 1 : 0;
}

class ContextLock {
 public:
  explicit ContextLock(TzLangContext& context) : lock_(context.lock) { lock_.lock(); }
  ~ContextLock() { lock_.unlock(); }
  ContextLock(const ContextLock&) = delete;
  ContextLock& operator=(const ContextLock&) = delete;

 private:
  tz::platform::RecursiveLock& lock_;
};

}  // namespace

TZAPI(int) TzLoadString(HTZLANG lang, UINT id, WCHAR* buffer, int length) {
  if (buffer == nullptr || length < 1) return 0;
  buffer[0] = u'\0';
  if (lang == nullptr) return 0;
  const HINSTANCE languageModule = lang->languageModule.load();
  int loaded = 0;
  if (languageModule != nullptr && lang->useLanguageModule.load())
    loaded = tz::platform::loadStringInLanguage(
        languageModule, id, static_cast<uint16_t>(lang->language.load()), buffer, length);
  if (loaded == 0) {
    // Without a language module the module's own English table is the answer; with one, the
    // module's strings in the ordinary loader's order.
    loaded = languageModule == lang->module
                 ? tz::platform::loadStringInLanguage(
                       lang->module, id, tz::platform::kLanguageEnglishUs, buffer, length)
                 : tz::platform::loadString(lang->module, id, buffer, length);
  }
  if (loaded >= 2 && buffer[0] == kMarker[0] && buffer[1] == kMarker[1]) {
    memmove(buffer, buffer + 2, static_cast<size_t>(loaded - 2 + 1) * sizeof(WCHAR));
    loaded -= 2;
  }
  return loaded;
}

TZAPI(const WCHAR*) TzGetString(HTZLANG lang, UINT id) {
  static constexpr WCHAR kEmpty[] = u"";
  if (lang == nullptr || lang->cache == nullptr) return kEmpty;
  ContextLock hold(*lang);
  const uint32_t key = id;
  const LONG found = TzList_FindSortedItemRange(lang->cache, &key, 0, -1, compareIds);
  if (found >= 0)
    return reinterpret_cast<const WCHAR*>(
        static_cast<const uint8_t*>(static_cast<void**>(lang->cache->slots)[found]) + sizeof key);

  WCHAR text[kCachedStringCharacters];
  const int length = TzLoadString(lang, id, text, kCachedStringCharacters);
  if (length <= 0) return kEmpty;
  const size_t textBytes = (static_cast<size_t>(length) + 1) * sizeof(WCHAR);
  uint8_t item[sizeof key + sizeof text];
  memcpy(item, &key, sizeof key);
  memcpy(item + sizeof key, text, textBytes);
  const LONG at = TzList_FindSortedInsertIndexRange(lang->cache, &key, 0, -1, compareIds);
  LONG insertedAt = -1;
  if (FAILED(TzList_AllocAndInsertItem(lang->cache, item, static_cast<LONG>(sizeof key + textBytes),
                                       at, &insertedAt)) ||
      insertedAt < 0)
    return kEmpty;
  return reinterpret_cast<const WCHAR*>(
      static_cast<const uint8_t*>(static_cast<void**>(lang->cache->slots)[insertedAt]) +
      sizeof key);
}

TZAPI(WCHAR*) TzGetTempStringBuffer(HTZLANG lang, int characters) {
  if (lang == nullptr || lang->ring == nullptr) return nullptr;
  // A negative count asks for nothing; one larger than the whole ring cannot be served.
  const LONG wanted = characters < 0 ? 0 : characters;
  if (wanted >= lang->ringCapacity) return nullptr;
  ContextLock hold(*lang);
  if (lang->ringCapacity - lang->ringReserve < lang->ringPosition ||
      lang->ringCapacity - lang->ringPosition <= wanted)
    lang->ringPosition = 0;
  WCHAR* result = lang->ring + lang->ringPosition;
  if (wanted == 0) result[0] = u'\0';
  lang->ringPosition += (wanted + 2) & ~1;
  return result;
}

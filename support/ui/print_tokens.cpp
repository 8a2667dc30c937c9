// The token registry: one heap list of items {name length, value length, name, value}, kept in
// order of the folded names, behind a lock of its own so that a replace is one step.
#include "support/ui/print_tokens.h"

#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#include "support/platform/text_case.h"
#include "support/time/locale_separators.h"
#include "tz/list.h"

namespace tz::ui {
namespace {

struct TokenItem {
  DWORD nameLength;
  DWORD valueLength;
  // The name and the value follow, each with a terminator.
  char16_t* name() { return reinterpret_cast<char16_t*>(this + 1); }
  const char16_t* name() const { return reinterpret_cast<const char16_t*>(this + 1); }
  const char16_t* value() const { return name() + nameLength + 1; }
  std::u16string_view nameView() const { return {name(), nameLength}; }

  static LONG sizeFor(size_t nameLength, size_t valueLength) {
    return static_cast<LONG>(sizeof(TokenItem) + (nameLength + valueLength + 2) * 2);
  }
};

LONG TZ_CALLBACK compareTokenNames(DWORD, const void* a, const void* b) {
  return platform::compareWithoutCase(static_cast<const TokenItem*>(a)->nameView(),
                                      static_cast<const TokenItem*>(b)->nameView());
}

// A search key: an item with the name only, in storage aligned for the header.
class TokenKey {
 public:
  explicit TokenKey(std::u16string_view name)
      : storage_((TokenItem::sizeFor(name.size(), 0) + 3) / 4) {
    item()->nameLength = static_cast<DWORD>(name.size());
    memcpy(item()->name(), name.data(), name.size() * 2);
  }
  TokenItem* item() { return reinterpret_cast<TokenItem*>(storage_.data()); }

 private:
  std::vector<DWORD> storage_;
};

struct Registry {
  std::mutex lock;
  tTZLIST* list = nullptr;

  // The index of the token, or -1; with the lock held.
  LONG find(std::u16string_view name) {
    TokenKey key(name);
    return TzList_FindSortedItemRange(list, key.item(), 0, -1, compareTokenNames);
  }
  const TokenItem* at(LONG index) const {
    return static_cast<const TokenItem*>(static_cast<void* const*>(list->slots)[index]);
  }
};

Registry& registry() {
  // Built in static storage and never destroyed (a thread library's lock may have a destructor),
  // so calls that come after the module's release (from other modules' exit code) find an empty
  // registry rather than a destroyed one.
  alignas(Registry) static unsigned char storage[sizeof(Registry)];
  static std::once_flag created;
  std::call_once(created, [] {
    auto* made = new (storage) Registry;
    TzList_CreateExZ(&made->list, 0, 0, 0, TZLIST_OPT_HEAP, 0, 0, 0);
  });
  return *std::launder(reinterpret_cast<Registry*>(storage));
}

Registry& publishedRegistry() {
  registerLibraryPrintTokens();
  return registry();
}

bool acceptable(std::u16string_view text) {
  return text.size() <= kPrintTokenMaxLength;
}

bool storeToken(Registry& r, std::u16string_view name, std::u16string_view value) {
  if (!acceptable(name) || !acceptable(value)) return false;
  std::lock_guard hold(r.lock);
  if (r.list == nullptr) return false;
  void* block = nullptr;
  if (FAILED(TzList_AllocItem(r.list, TokenItem::sizeFor(name.size(), value.size()), &block)))
    return false;
  auto* item = static_cast<TokenItem*>(block);
  item->nameLength = static_cast<DWORD>(name.size());
  item->valueLength = static_cast<DWORD>(value.size());
  memcpy(item->name(), name.data(), name.size() * 2);
  memcpy(item->name() + name.size() + 1, value.data(), value.size() * 2);
  // Only now the old token goes; its slot stays allocated, so the insert below cannot fail
  // for want of room when there was one.
  const LONG old = r.find(name);
  if (old >= 0) TzList_DeleteList(r.list, old, 1, FALSE);
  const LONG index = TzList_FindSortedInsertIndexRange(r.list, item, 0, -1, compareTokenNames);
  if (SUCCEEDED(TzList_InsertList(r.list, index, nullptr, -1))) return true;
  TzList_DeleteList(r.list, -1, -1, FALSE);  // the pending item
  return false;
}

}  // namespace

bool addPrintToken(std::u16string_view name, std::u16string_view value) {
  return storeToken(publishedRegistry(), name, value);
}

bool deletePrintToken(std::u16string_view name) {
  Registry& r = publishedRegistry();
  std::lock_guard hold(r.lock);
  const LONG index = r.list != nullptr ? r.find(name) : -1;
  return index >= 0 && SUCCEEDED(TzList_DeleteList(r.list, index, 1, FALSE));
}

bool writePrintToken(std::u16string_view name, core::WideSink& sink) {
  Registry& r = publishedRegistry();
  std::lock_guard hold(r.lock);
  const LONG index = r.list != nullptr ? r.find(name) : -1;
  if (index < 0) return false;
  const TokenItem* item = r.at(index);
  sink.append({item->value(), item->valueLength});
  return true;
}

void registerLibraryPrintTokens() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const time::LibrarySeparator& separator : time::librarySeparators())
      storeToken(registry(), separator.token, separator.text);
    storeToken(registry(), u"AppName", kDefaultAppName);
  });
}

void releasePrintTokens() {
  Registry& r = registry();
  std::lock_guard hold(r.lock);
  TzList_Destroy(r.list);
  r.list = nullptr;
}

}  // namespace tz::ui

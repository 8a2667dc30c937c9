// Small pieces shared by the host-facing objects: reference counts, name copies, and the
// deleting-destructor slot that ends every virtual table.
#pragma once

#include <algorithm>
#include <atomic>
#include <string_view>

#include "tz/audio_driver.h"

namespace tz::rewire {

// The delete flag of the deleting-destructor slot: bit 0 frees the object.
constexpr UINT kDeleteObject = 1;

// Characters of the objects' name fields, terminator included.
constexpr size_t kNameCapacity = 260;

// A reference count as the interfaces use it: 0 at construction, the creator's query takes
// the first reference.
class RefCount {
 public:
  ULONG add() { return count_.fetch_add(1) + 1; }
  ULONG release() { return count_.fetch_sub(1) - 1; }
  ULONG value() const { return count_.load(); }

 private:
  std::atomic<ULONG> count_{0};
};

// The IUnknown slots of an object that implements one interface, in the interface's own slot
// order. The object supplies, as members this base may call:
//   bool answers(const IID&) const          the identifiers it is, besides IID_IUnknown;
//   void lastRelease()                      its end, when the count reaches 0;
// and may hide queryOther(riid, out) to hand other identifiers on (to a provider, say). The
// count is the object's first field, where the binary interface lays it out.
template <typename Object, typename Interface>
class ComObject : public Interface {
 public:
  HRESULT TZ_COM QueryInterface(const IID& riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    Object& self = static_cast<Object&>(*this);
    if (!(riid == IID_IUnknown) && !self.answers(riid)) return self.queryOther(riid, out);
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG TZ_COM AddRef() override { return refCount_.add(); }
  ULONG TZ_COM Release() override {
    const ULONG count = refCount_.release();
    if (count == 0) static_cast<Object&>(*this).lastRelease();
    return count;
  }

 protected:
  ComObject() = default;
  ~ComObject() = default;
  HRESULT queryOther(const IID&, void**) { return E_NOINTERFACE; }

  RefCount refCount_;
};

// Copies text into buffer: at most length - 1 characters, always terminated; nothing for a
// null buffer or a length below 1.
inline void copyText(std::u16string_view text, WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length < 1) return;
  const size_t count = std::min(text.size(), static_cast<size_t>(length - 1));
  std::copy_n(text.data(), count, buffer);
  buffer[count] = u'\0';
}

// The length of a zero-terminated name kept in a fixed field.
inline std::u16string_view textOf(const WCHAR* field, size_t capacity) {
  return {field, static_cast<size_t>(std::find(field, field + capacity, u'\0') - field)};
}

// Stores text into a fixed field of capacity characters, cut to capacity - 1.
template <size_t Capacity>
void storeText(WCHAR (&field)[Capacity], std::u16string_view text) {
  copyText(text, field, static_cast<LONG>(Capacity));
}

}  // namespace tz::rewire

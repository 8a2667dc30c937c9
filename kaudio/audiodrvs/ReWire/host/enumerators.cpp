// One enumerator shape for the three interfaces: they differ in the identifier they answer to
// and in the interface Next hands out.
#include "kaudio/audiodrvs/ReWire/host/enumerators.h"

#include <new>

namespace tz::rewire {

namespace {

template <typename Interface, typename Element>
class Enumerator final : public ComObject<Enumerator<Interface, Element>, Interface> {
 public:
  Enumerator(tTZLIST* list, const IID& ownIid, const IID* elementIid)
      : count_(list != nullptr ? static_cast<ULONG>(list->itemCount) : 0),
        list_(list),
        ownIid_(ownIid),
        elementIid_(elementIid) {}

  HRESULT TZ_COM Next(ULONG requested, Element** elements, ULONG* fetched) override {
    if (elementIid_ == nullptr) return S_FALSE;  // the input list is always empty
    HRESULT result = S_FALSE;
    ULONG returned = 0;
    if (count_ != 0 && elements != nullptr) {
      if (requested == 1) {
        if (cursor_ < count_) {
          elements[0] = element(cursor_++);
          result = S_OK;
          returned = 1;
        }
      } else if (cursor_ < count_) {
        // For more than one, *fetched holds the capacity of the caller's array.
        const ULONG capacity = fetched != nullptr ? *fetched : 0;
        for (ULONG i = 0; i < requested && i < capacity && cursor_ < count_; ++i) {
          elements[i] = element(cursor_++);
          ++returned;
          result = S_OK;
        }
      }
    }
    if (fetched != nullptr) *fetched = returned;
    return result;
  }
  HRESULT TZ_COM Skip(ULONG count) override {
    if (count >= count_ || cursor_ >= count_ - count) return S_FALSE;
    cursor_ += count;
    return S_OK;
  }
  HRESULT TZ_COM Reset() override {
    cursor_ = 0;
    return S_OK;
  }
  HRESULT TZ_COM Clone(IEnumAudio<Element>**) override { return E_NOTIMPL; }

 private:
  ~Enumerator() = default;

  // The element at index, counted for the caller; null when the list no longer holds it.
  Element* element(ULONG index) {
    if (list_ == nullptr || static_cast<LONG>(index) >= list_->itemCount) return nullptr;
    auto* object = static_cast<IUnknown*>(static_cast<void**>(list_->slots)[index]);
    void* out = nullptr;
    if (object != nullptr) object->QueryInterface(*elementIid_, &out);
    return static_cast<Element*>(out);
  }

  friend ComObject<Enumerator, Interface>;
  bool answers(const IID& riid) const { return riid == ownIid_; }
  void lastRelease() { delete this; }

  ULONG cursor_ = 0;
  ULONG count_;
  tTZLIST* list_;
  const IID& ownIid_;
  const IID* elementIid_;
};

template <typename Interface, typename Element>
HRESULT create(tTZLIST* list, const IID& ownIid, const IID* elementIid, Interface** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* enumerator = new (std::nothrow) Enumerator<Interface, Element>(list, ownIid, elementIid);
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  return enumerator->QueryInterface(ownIid, reinterpret_cast<void**>(out));
}

}  // namespace

HRESULT createDeviceEnumerator(tTZLIST* list, IEnumAudioDevs** out) {
  return create<IEnumAudioDevs, IAudioDevice>(list, IID_IEnumAudioDevs, &IID_IAudioDevice, out);
}

HRESULT createOutputEnumerator(tTZLIST* list, IEnumAudioOut** out) {
  return create<IEnumAudioOut, IAudioOut>(list, IID_IEnumAudioOut, &IID_IAudioOut, out);
}

HRESULT createInputEnumerator(tTZLIST* list, IEnumAudioIn** out) {
  return create<IEnumAudioIn, IUnknown>(list, IID_IEnumAudioIn, nullptr, out);
}

}  // namespace tz::rewire

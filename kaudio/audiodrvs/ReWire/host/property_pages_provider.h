// CSpecifyPropertyPages: the device's answer to ISpecifyPropertyPages. It announces one page,
// whose object comes from the device's CreatePropertyPage.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"

namespace tz::rewire {

class CReWireAudioDevice;

class CSpecifyPropertyPages final : public ISpecifyPropertyPages {
 public:
  explicit CSpecifyPropertyPages(CReWireAudioDevice* device) : device_(device) {}

  HRESULT TZ_COM QueryInterface(const IID& riid, void** out) override;
  ULONG TZ_COM AddRef() override { return refCount_.add(); }
  ULONG TZ_COM Release() override;
  // One all-zero GUID in a task-allocator array (freed by the caller with the task
  // allocator's free, here the C library's free).
  HRESULT TZ_COM GetPages(CAUUID* pages) override;

 private:
  ~CSpecifyPropertyPages() = default;

  RefCount refCount_;
  DWORD reserved_ = 0;
  CReWireAudioDevice* device_;
};

}  // namespace tz::rewire

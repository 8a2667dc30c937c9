// CSpecifyPropertyPages: the device's answer to ISpecifyPropertyPages. It announces one page,
// whose object comes from the device's CreatePropertyPage.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"

namespace tz::rewire {

class CReWireAudioDevice;

class CSpecifyPropertyPages final : public ComObject<CSpecifyPropertyPages, ISpecifyPropertyPages> {
 public:
  explicit CSpecifyPropertyPages(CReWireAudioDevice* device) : device_(device) {}

  // One all-zero GUID in a task-allocator array (platform/task_memory.h), which the caller
  // frees.
  HRESULT TZ_COM GetPages(CAUUID* pages) override;

 private:
  ~CSpecifyPropertyPages() = default;

  friend ComObject;
  bool answers(const IID& riid) const { return riid == IID_ISpecifyPropertyPages; }
  void lastRelease() { delete this; }

  DWORD reserved_ = 0;
  CReWireAudioDevice* device_;
};

}  // namespace tz::rewire

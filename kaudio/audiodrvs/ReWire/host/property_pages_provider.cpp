#include "kaudio/audiodrvs/ReWire/host/property_pages_provider.h"

#include "support/platform/task_memory.h"

namespace tz::rewire {

HRESULT CSpecifyPropertyPages::GetPages(CAUUID* pages) {
  if (device_ == nullptr) return E_UNEXPECTED;
  if (pages == nullptr) return E_POINTER;
  auto* elements = static_cast<GUID*>(platform::taskAllocate(sizeof(GUID)));
  if (elements == nullptr) return E_OUTOFMEMORY;
  pages->cElems = 1;
  pages->pElems = elements;
  return S_OK;
}

}  // namespace tz::rewire

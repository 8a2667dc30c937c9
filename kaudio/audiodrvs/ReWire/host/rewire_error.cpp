// Engine statuses as the host sees them from the panel half.
#include "kaudio/audiodrvs/ReWire/engine_binding.h"

namespace tz::rewire {

HRESULT mapReWireError(RWSTATUS status) {
  constexpr HRESULT kEngineAlreadyOpen = static_cast<HRESULT>(0x80040964UL);
  switch (status) {
    case 1:
      return S_OK;
    case 2:
    case 8:
      return E_OUTOFMEMORY;
    case 4:
    case 6:
    case 7:
      return kEngineAlreadyOpen;
    case 5:
    case 9:
    case 101:
    case 105:
    case 106:
    case 107:
    case 108:
    case 109:
    case 110:
    case 111:
    case 112:
    case 113:
    case 202:
      return E_FAIL;
    case 114:
      return S_FALSE;
    default:
      return E_UNEXPECTED;
  }
}

}  // namespace tz::rewire

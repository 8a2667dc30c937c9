// Engine statuses as the host sees them from the panel half.
#include "kaudio/audiodrvs/ReWire/engine_binding.h"

namespace tz::rewire {

namespace {

template <size_t N>
bool among(RWSTATUS status, const RWSTATUS (&statuses)[N]) {
  for (const RWSTATUS s : statuses)
    if (s == status) return true;
  return false;
}

}  // namespace

HRESULT mapReWireError(RWSTATUS status) {
  constexpr HRESULT kEngineAlreadyOpen = static_cast<HRESULT>(0x80040964UL);
  if (status == kRWSuccess) return S_OK;
  if (status == kRWNotYet) return S_FALSE;
  if (among(status, kRWStatusesOutOfMemory)) return E_OUTOFMEMORY;
  if (among(status, kRWStatusesAlreadyOpen)) return kEngineAlreadyOpen;
  if (among(status, kRWStatusesFailed)) return E_FAIL;
  return E_UNEXPECTED;
}

}  // namespace tz::rewire

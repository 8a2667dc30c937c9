// The driver class's hold on the panel side of the bridge engine.
#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"

namespace tz::rewire {

HRESULT CReWireAudioClass::prepareReWirePanel() {
  if ((panelLinkFlags_ & kPanelOpen) == 0) {
    const HRESULT opened = mapReWireError(openPanelApi());
    if (opened != S_OK) return opened;
    panelLinkFlags_ |= kPanelOpen | kPanelLinkHeld;
  }
  registerReWireDevice();
  uint8_t running = 0;
  const RWSTATUS status = panelApi().isMixerAppRunning(&running);
  if (status != kRWSuccess) return mapReWireError(status);
  if (running == 0) return S_FALSE;
  panelLinkFlags_ |= kMixerRunning;
  return S_OK;
}

HRESULT CReWireAudioClass::releaseReWirePanel() {
  panelLinkFlags_ &= ~kPanelLinkHeld;
  HRESULT result = S_OK;
  if ((panelLinkFlags_ & kPanelOpen) != 0) {
    uint8_t ok = 0;
    result = S_FALSE;
    if (panelApi().isCloseOK(&ok) == kRWSuccess && ok != 0) {
      result = mapReWireError(closePanelApi());
      if (result == S_OK) panelLinkFlags_ &= ~kPanelOpen;
    }
  }
  panelLinkFlags_ &= ~kMixerRunning;
  return result;
}

}  // namespace tz::rewire

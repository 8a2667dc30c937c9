// The engine's device and panel function tables: bound by name from the loaded engine,
// opened with the engine version, closed only when the engine agrees.
#include <cstring>
#include <iterator>

#include "kaudio/audiodrvs/ReWire/engine_binding.h"
#include "kaudio/audiodrvs/ReWire/engine_library_internal.h"

namespace tz::rewire {
namespace {

constexpr const char* kDeviceNames[] = {
    "RWDOpenImp",
    "RWDIsCloseOKImp",
    "RWDCloseImp",
    "RWIsReWireMixerAppRunningImp",
    "RWDComCreateImp",
    "RWDComCheckConnectionImp",
    "RWDComDestroyImp",
    "RWDComDoesMessageFitImp",
    "RWDComSendImp",
    "RWDComReadImp",
    "RWDComBytesAvailableImp",
};
constexpr const char* kPanelNames[] = {
    "RWPOpenImp",
    "RWPIsCloseOKImp",
    "RWPCloseImp",
    "RWIsReWireMixerAppRunningImp",
    "RWPLoadDeviceImp",
    "RWPUnloadDeviceImp",
    "RWPComConnectImp",
    "RWPComCheckConnectionImp",
    "RWPComDisconnectImp",
    "RWPComDoesMessageFitImp",
    "RWPComSendImp",
    "RWPComReadImp",
    "RWPComBytesAvailableImp",
    "RWPRegisterDeviceImp",
    "RWPUnregisterDeviceImp",
};
static_assert(sizeof(DeviceApi) == std::size(kDeviceNames) * sizeof(void*));
static_assert(sizeof(PanelApi) == std::size(kPanelNames) * sizeof(void*));

DeviceApi gDevice{};
PanelApi gPanel{};

// Fills every slot of the table, in order; false when any name is missing.
template <typename Table, size_t Count>
bool lookUp(Table& table, const char* const (&names)[Count]) {
  for (size_t i = 0; i < Count; ++i) {
    void* function = engineSymbol(names[i]);
    if (function == nullptr) return false;
    std::memcpy(reinterpret_cast<char*>(&table) + i * sizeof(void*), &function, sizeof function);
  }
  return true;
}

template <typename Table, size_t Count>
RWSTATUS openApi(Table& table, const char* const (&names)[Count]) {
  std::lock_guard guard(bindingLock());
  if (table.open != nullptr) return kRWAlreadyOpen;
  const RWSTATUS loaded = loadEngineLibrary();
  if (loaded != kRWSuccess) return loaded;
  const RWSTATUS status = lookUp(table, names) ? table.open(kRWEngineVersion) : kRWFunctionMissing;
  if (status != kRWSuccess) {
    table = Table{};
    releaseEngineLibrary();
  }
  return status;
}

template <typename Table>
RWSTATUS closeApi(Table& table) {
  std::lock_guard guard(bindingLock());
  if (table.open == nullptr) return kRWGeneralFailure;
  const RWSTATUS status = table.close();
  if (status != kRWSuccess) return status;
  table = Table{};
  releaseEngineLibrary();
  return status;
}

}  // namespace

RWSTATUS openDeviceApi() {
  return openApi(gDevice, kDeviceNames);
}

RWSTATUS closeDeviceApi() {
  return closeApi(gDevice);
}

const DeviceApi& deviceApi() {
  return gDevice;
}

RWSTATUS openPanelApi() {
  return openApi(gPanel, kPanelNames);
}

RWSTATUS closePanelApi() {
  return closeApi(gPanel);
}

const PanelApi& panelApi() {
  return gPanel;
}

}  // namespace tz::rewire

// The panel side's message functions, as a panel application calls them. Its device
// functions are with the device loader.

#include "standins/rewire_engine/engine_calls.h"
#include "standins/rewire_engine/engine_export.h"

using tz::engine::Side;

RW_ENGINE_EXPORT RWSTATUS RWPOpenImp(int32_t version) {
  return tz::engine::openSide(Side::Panel, version);
}

RW_ENGINE_EXPORT RWSTATUS RWPIsCloseOKImp(uint8_t* okFlag) {
  return tz::engine::isCloseOK(Side::Panel, okFlag);
}

RW_ENGINE_EXPORT RWSTATUS RWPCloseImp() {
  return tz::engine::closeSide(Side::Panel);
}

// 1 and the handle; 110 when no live device has the signature, 6 when another live panel
// is connected to it, 9 when the panel side is not open or the signature is bad.
RW_ENGINE_EXPORT RWSTATUS RWPComConnectImp(const char* signature, uint32_t* handle) {
  if (handle == nullptr) return kRWGeneralFailure;
  *handle = 0;
  if (!tz::engine::sideOpen(Side::Panel)) return kRWGeneralFailure;
  std::unique_ptr<tz::engine::Connection> connection;
  const RWSTATUS made = tz::engine::Connection::connect(signature, connection);
  return tz::engine::addConnection(made, std::move(connection), handle);
}

RW_ENGINE_EXPORT RWSTATUS RWPComCheckConnectionImp(uint32_t handle) {
  return tz::engine::connectionState(Side::Panel, handle);
}

RW_ENGINE_EXPORT RWSTATUS RWPComDisconnectImp(uint32_t handle) {
  return tz::engine::removeConnection(Side::Panel, handle);
}

RW_ENGINE_EXPORT RWSTATUS RWPComDoesMessageFitImp(uint32_t handle, int32_t channel, uint32_t size) {
  return tz::engine::doesMessageFit(Side::Panel, handle, channel, size);
}

RW_ENGINE_EXPORT RWSTATUS RWPComSendImp(uint32_t handle, int32_t channel, uint32_t size,
                                        const void* bytes) {
  return tz::engine::sendMessage(Side::Panel, handle, channel, size, bytes);
}

RW_ENGINE_EXPORT RWSTATUS RWPComReadImp(uint32_t handle, int32_t channel, uint16_t* size,
                                        void* buffer) {
  return tz::engine::readMessage(Side::Panel, handle, channel, size, buffer);
}

RW_ENGINE_EXPORT RWSTATUS RWPComBytesAvailableImp(uint32_t handle, int32_t channel,
                                                  uint32_t* bytes) {
  return tz::engine::bytesAvailable(Side::Panel, handle, channel, bytes);
}

static_assert(hasType<RWPOpenImpProc>(&RWPOpenImp) &&
              hasType<RWPIsCloseOKImpProc>(&RWPIsCloseOKImp) &&
              hasType<RWPCloseImpProc>(&RWPCloseImp) &&
              hasType<RWPComConnectImpProc>(&RWPComConnectImp) &&
              hasType<RWPComCheckConnectionImpProc>(&RWPComCheckConnectionImp) &&
              hasType<RWPComDisconnectImpProc>(&RWPComDisconnectImp) &&
              hasType<RWPComDoesMessageFitImpProc>(&RWPComDoesMessageFitImp) &&
              hasType<RWPComSendImpProc>(&RWPComSendImp) &&
              hasType<RWPComReadImpProc>(&RWPComReadImp) &&
              hasType<RWPComBytesAvailableImpProc>(&RWPComBytesAvailableImp));

// The device side's functions, as a device library in the mixer's process calls them.

#include "standins/rewire_engine/engine_calls.h"
#include "standins/rewire_engine/engine_export.h"

using tz::engine::Side;

RW_ENGINE_EXPORT RWSTATUS RWDOpenImp(int32_t version) {
  return tz::engine::openSide(Side::Device, version);
}

RW_ENGINE_EXPORT RWSTATUS RWDIsCloseOKImp(uint8_t* okFlag) {
  return tz::engine::isCloseOK(Side::Device, okFlag);
}

RW_ENGINE_EXPORT RWSTATUS RWDCloseImp() {
  return tz::engine::closeSide(Side::Device);
}

// 1 and the handle; 9 when the device side is not open or the arguments are bad, 6 when a
// live device already has the signature, 8 when there is no room for the connection.
RW_ENGINE_EXPORT RWSTATUS RWDComCreateImp(const char* signature, int32_t channelCount,
                                          const RWChannelRecord* channels, uint32_t* handle) {
  if (handle == nullptr) return kRWGeneralFailure;
  *handle = 0;
  if (!tz::engine::sideOpen(Side::Device)) return kRWGeneralFailure;
  std::unique_ptr<tz::engine::Connection> connection;
  const RWSTATUS made =
      tz::engine::Connection::create(signature, channelCount, channels, connection);
  return tz::engine::addConnection(made, std::move(connection), handle);
}

RW_ENGINE_EXPORT RWSTATUS RWDComCheckConnectionImp(uint32_t handle) {
  return tz::engine::connectionState(Side::Device, handle);
}

RW_ENGINE_EXPORT RWSTATUS RWDComDestroyImp(uint32_t handle) {
  return tz::engine::removeConnection(Side::Device, handle);
}

RW_ENGINE_EXPORT RWSTATUS RWDComDoesMessageFitImp(uint32_t handle, int32_t channel, uint32_t size) {
  return tz::engine::doesMessageFit(Side::Device, handle, channel, size);
}

RW_ENGINE_EXPORT RWSTATUS RWDComSendImp(uint32_t handle, int32_t channel, uint32_t size,
                                        const void* bytes) {
  return tz::engine::sendMessage(Side::Device, handle, channel, size, bytes);
}

RW_ENGINE_EXPORT RWSTATUS RWDComReadImp(uint32_t handle, int32_t channel, uint16_t* size,
                                        void* buffer) {
  return tz::engine::readMessage(Side::Device, handle, channel, size, buffer);
}

RW_ENGINE_EXPORT RWSTATUS RWDComBytesAvailableImp(uint32_t handle, int32_t channel,
                                                  uint32_t* bytes) {
  return tz::engine::bytesAvailable(Side::Device, handle, channel, bytes);
}

static_assert(hasType<RWDOpenImpProc>(&RWDOpenImp) &&
              hasType<RWDIsCloseOKImpProc>(&RWDIsCloseOKImp) &&
              hasType<RWDCloseImpProc>(&RWDCloseImp) &&
              hasType<RWDComCreateImpProc>(&RWDComCreateImp) &&
              hasType<RWDComCheckConnectionImpProc>(&RWDComCheckConnectionImp) &&
              hasType<RWDComDestroyImpProc>(&RWDComDestroyImp) &&
              hasType<RWDComDoesMessageFitImpProc>(&RWDComDoesMessageFitImp) &&
              hasType<RWDComSendImpProc>(&RWDComSendImp) &&
              hasType<RWDComReadImpProc>(&RWDComReadImp) &&
              hasType<RWDComBytesAvailableImpProc>(&RWDComBytesAvailableImp));

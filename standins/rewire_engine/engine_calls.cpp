#include "standins/rewire_engine/engine_calls.h"

#include <atomic>

#include "standins/rewire_engine/connection_table.h"

namespace tz::engine {
namespace {

std::atomic<int32_t> opens[2];

std::atomic<int32_t>& opensOf(Side side) {
  return opens[side == Side::Device ? 0 : 1];
}

RWSTATUS notTheirs(Side side) {
  return side == Side::Device ? kRWGeneralFailure : kRWNotConnected;
}

}  // namespace

RWSTATUS openSide(Side side, int32_t version) {
  if (version != kRWEngineVersion) return kRWGeneralFailure;
  opensOf(side).fetch_add(1);
  return kRWSuccess;
}

RWSTATUS closeSide(Side side) {
  int32_t count = opensOf(side).load();
  do {
    if (count <= 0) return kRWGeneralFailure;
  } while (!opensOf(side).compare_exchange_weak(count, count - 1));
  return kRWSuccess;
}

bool sideOpen(Side side) {
  return opensOf(side).load() > 0;
}

RWSTATUS isCloseOK(Side side, uint8_t* okFlag) {
  if (okFlag == nullptr) return kRWGeneralFailure;
  *okFlag = ConnectionTable::instance().any(side) ? 0 : 1;
  return kRWSuccess;
}

RWSTATUS addConnection(RWSTATUS made, std::unique_ptr<Connection> connection, uint32_t* handle) {
  if (made != kRWSuccess) return made;
  *handle = ConnectionTable::instance().add(std::move(connection));
  return *handle != 0 ? kRWSuccess : kRWOutOfMemory;
}

RWSTATUS removeConnection(Side side, uint32_t handle) {
  return ConnectionTable::instance().remove(handle, side) ? kRWSuccess : notTheirs(side);
}

RWSTATUS connectionState(Side side, uint32_t handle) {
  const auto pin = ConnectionTable::instance().pin(handle, side);
  return pin ? pin->state() : notTheirs(side);
}

RWSTATUS doesMessageFit(Side side, uint32_t handle, int32_t channel, uint32_t size) {
  const auto pin = ConnectionTable::instance().pin(handle, side);
  return pin ? pin->doesMessageFit(channel, size) : notTheirs(side);
}

RWSTATUS sendMessage(Side side, uint32_t handle, int32_t channel, uint32_t size,
                     const void* bytes) {
  const auto pin = ConnectionTable::instance().pin(handle, side);
  return pin ? pin->send(channel, size, bytes) : notTheirs(side);
}

RWSTATUS readMessage(Side side, uint32_t handle, int32_t channel, uint16_t* size, void* buffer) {
  const auto pin = ConnectionTable::instance().pin(handle, side);
  if (!pin && size != nullptr) *size = 0;
  return pin ? pin->read(channel, size, buffer) : notTheirs(side);
}

RWSTATUS bytesAvailable(Side side, uint32_t handle, int32_t channel, uint32_t* bytes) {
  const auto pin = ConnectionTable::instance().pin(handle, side);
  return pin ? pin->bytesAvailable(channel, bytes) : notTheirs(side);
}

}  // namespace tz::engine

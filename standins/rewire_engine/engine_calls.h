// What the device and the panel functions share: each side's open count, and the handle
// calls that differ between the sides only in the side they accept and the status for a
// handle that is not theirs (9 on the device side, 110 "no connection" on the panel side).
#pragma once

#include <cstdint>

#include "standins/rewire_engine/connection.h"
#include "tz/rewire_engine.h"

namespace tz::engine {

// 1 for the engine's version 1000000, 9 for any other. Opens are counted.
RWSTATUS openSide(Side side, int32_t version);
// 1, or 9 when the side is not open. Connections stay usable until destroyed.
RWSTATUS closeSide(Side side);
bool sideOpen(Side side);
// The flag is set when no connection of the side is left in this process.
RWSTATUS isCloseOK(Side side, uint8_t* okFlag);

// The new connection's handle goes to *handle (0 on failure).
RWSTATUS addConnection(RWSTATUS made, std::unique_ptr<Connection> connection, uint32_t* handle);
RWSTATUS removeConnection(Side side, uint32_t handle);

RWSTATUS connectionState(Side side, uint32_t handle);
RWSTATUS doesMessageFit(Side side, uint32_t handle, int32_t channel, uint32_t size);
RWSTATUS sendMessage(Side side, uint32_t handle, int32_t channel, uint32_t size, const void* bytes);
RWSTATUS readMessage(Side side, uint32_t handle, int32_t channel, uint16_t* size, void* buffer);
RWSTATUS bytesAvailable(Side side, uint32_t handle, int32_t channel, uint32_t* bytes);

}  // namespace tz::engine

// A handle is (serial << 6) | slot with a serial that is never 0, so it is never 0 itself and a
// handle of a removed connection does not reach a later one in the same slot. Pinning
// increments the slot's users before it checks the handle, and removal clears the handle
// before it waits for the users to drain: either the remover sees the pin or the pinner
// sees the cleared handle.
#include "standins/rewire_engine/connection_table.h"

#include <thread>

namespace tz::engine {

struct Slot {
  std::atomic<uint32_t> handle{0};
  std::atomic<uint32_t> users{0};
  std::atomic<Connection*> connection{nullptr};
};

namespace {

Slot slots[ConnectionTable::kSlots];

}  // namespace

ConnectionTable::Pin::~Pin() {
  if (slot_ != nullptr) slot_->users.fetch_sub(1);
}

ConnectionTable& ConnectionTable::instance() {
  static ConnectionTable table;
  return table;
}

uint32_t ConnectionTable::add(std::unique_ptr<Connection> connection) {
  const std::lock_guard guard(lock_);
  for (uint32_t i = 0; i < kSlots; ++i) {
    if (slots[i].connection.load() != nullptr) continue;
    serial_ = (serial_ + 1) & 0x3FFFFFF;
    if (serial_ == 0) serial_ = 1;
    const uint32_t handle = serial_ << 6 | i;
    slots[i].connection.store(connection.release());
    slots[i].handle.store(handle);
    return handle;
  }
  return 0;
}

ConnectionTable::Pin ConnectionTable::pin(uint32_t handle, Side side) {
  Pin pin;
  if (handle == 0) return pin;
  Slot& slot = slots[handle % kSlots];
  slot.users.fetch_add(1);
  pin.slot_ = &slot;
  if (slot.handle.load() != handle) return pin;
  Connection* connection = slot.connection.load();
  if (connection->side() == side) pin.connection_ = connection;
  return pin;
}

std::unique_ptr<Connection> ConnectionTable::remove(uint32_t handle, Side side) {
  const std::lock_guard guard(lock_);
  Slot& slot = slots[handle % kSlots];
  const Connection* connection = slot.connection.load();
  if (handle == 0 || slot.handle.load() != handle || connection->side() != side) return nullptr;
  return take(slot);
}

// A call in progress on the slot is short: one message or one state check.
std::unique_ptr<Connection> ConnectionTable::take(Slot& slot) {
  slot.handle.store(0);
  while (slot.users.load() != 0) std::this_thread::yield();
  return std::unique_ptr<Connection>(slot.connection.exchange(nullptr));
}

bool ConnectionTable::any(Side side) {
  const std::lock_guard guard(lock_);
  for (const Slot& slot : slots) {
    const Connection* connection = slot.connection.load();
    if (connection != nullptr && connection->side() == side) return true;
  }
  return false;
}

ConnectionTable::~ConnectionTable() {
  const std::lock_guard guard(lock_);
  for (Slot& slot : slots) take(slot);
}

}  // namespace tz::engine

// The connections of this process behind their 32-bit handles. A call pins its connection
// without a lock, and removal waits for calls in progress, so a handle destroyed by one
// thread while another sends never leaves the sender with freed memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "standins/rewire_engine/connection.h"

namespace tz::engine {

struct Slot;

class ConnectionTable {
 public:
  static constexpr uint32_t kSlots = 64;

  // A connection pinned for one call; empty when the handle is not a live one of the side.
  class Pin {
   public:
    Pin(Pin&& other) noexcept : slot_(other.slot_) { other.slot_ = nullptr; }
    Pin(const Pin&) = delete;
    ~Pin();
    Connection* operator->() const { return connection_; }
    explicit operator bool() const { return connection_ != nullptr; }

   private:
    friend class ConnectionTable;
    Pin() = default;
    Slot* slot_ = nullptr;
    Connection* connection_ = nullptr;
  };

  static ConnectionTable& instance();

  // The new handle, never 0; 0 when every slot is taken.
  uint32_t add(std::unique_ptr<Connection> connection);
  Pin pin(uint32_t handle, Side side);
  // Waits for calls in progress on it; null for a handle that is not a live one of the side.
  std::unique_ptr<Connection> remove(uint32_t handle, Side side);
  bool any(Side side);

  // An unloaded engine leaves no connection behind in a process that lives on.
  ~ConnectionTable();

 private:
  static std::unique_ptr<Connection> take(Slot& slot);

  std::mutex lock_;  // orders add and remove; calls never take it
  uint32_t serial_ = 0;
};

}  // namespace tz::engine

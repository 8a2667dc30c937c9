// One side of a message connection in this process: the device side creates it under the
// device's signature, the panel side (in another process, or this one) joins it. Channels
// carry whole messages in order in both directions.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "standins/rewire_engine/connection_layout.h"
#include "standins/rewire_engine/message_ring.h"
#include "support/platform/named_mark.h"
#include "support/platform/shared_section.h"
#include "tz/rewire_engine.h"

namespace tz::engine {

enum class Side : uint8_t { Device, Panel };

class Connection {
 public:
  // Device side. 1 created; 6 when a live device already has this signature; 8 when the
  // section cannot be had; 9 for bad arguments (signature of 1 to 64 bytes without '/',
  // 1 to 4 channels, records of size 12 with each direction's largest message 1 to 65535).
  static RWSTATUS create(const char* signature, int32_t channelCount,
                         const RWChannelRecord* channels, std::unique_ptr<Connection>& out);
  // Panel side. 1 connected; 110 when no live device has this signature; 6 when another
  // live panel is connected; 9 for a bad signature or a damaged connection. The first panel
  // gets what the device sent before it came; a later one only what came after the
  // previous panel left.
  static RWSTATUS connect(const char* signature, std::unique_ptr<Connection>& out);

  // Destroys (device side) or leaves (panel side) the connection.
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Side side() const { return side_; }

  // Device side: 111 while a panel is connected, 112 once a panel that was connected has
  // gone (left or died), else 1. Panel side: 110 once the device side is gone (destroyed,
  // died, or replaced), else 1. A destroy, a disconnect and a panel's death show at the next
  // call; so does a device's death, unless the device sent a message since the call before,
  // which shows it alive after that call: then at the call after. Neither side waits for a
  // lock another process can hold. Panel side, audio path: no allocation, no lock, and one
  // system call only when the device sent nothing since the call before. Device side,
  // control threads: after a new panel connected, one call opens that panel's mark, under a
  // lock among this process's own threads.
  RWSTATUS state();

  // The channel functions; 9 for a bad channel or pointer. Audio path: no allocation, no
  // system call, and no lock beyond one per direction among this process's own threads.
  RWSTATUS doesMessageFit(int32_t channel, uint32_t size);  // 1 fits now, else kRWNoRoom
  RWSTATUS send(int32_t channel, uint32_t size, const void* bytes);
  RWSTATUS read(int32_t channel, uint16_t* size, void* buffer);
  RWSTATUS bytesAvailable(int32_t channel, uint32_t* bytes);

 private:
  explicit Connection(Side side) : side_(side) {}
  RWSTATUS mapDirectory(platform::SharedSection section);
  RWSTATUS makeSection(const std::string& name, const RWChannelRecord* channels,
                       int32_t channelCount);
  RWSTATUS openSection(const std::string& name);
  RWSTATUS attachRings();
  bool panelHeld();
  void dropIncoming();    // panel side: every message pending from the device
  uint32_t deviceSent();  // the device's running count of bytes sent on all channels
  MessageRing* ring(int32_t channel, bool outgoing);

  const Side side_;
  bool established_ = false;  // only a finished create or connect changes shared state
  uint32_t epoch_ = 0;
  uint32_t channelCount_ = 0;
  platform::SectionView directory_, section_;
  platform::NamedMark signatureMark_, liveMark_;  // device: both; panel: liveMark_ only
  MessageRing rings_[2 * kMaxChannels];
  std::mutex ringLocks_[2 * kMaxChannels];

  // The other side's mark. The panel side opens the device's at connect and never changes
  // it, so its state() only asks, with no lock. The device side opens the panel's anew,
  // under peerLock_, whenever the panel count moves.
  platform::MarkWatch peerWatch_;
  std::string peerMark_;  // device side: the name every panel of this connection holds
  std::mutex peerLock_;
  uint32_t watchedConnects_ = 0;          // the panel count when peerWatch_ was opened
  std::atomic<uint32_t> sentAtCheck_{0};  // panel side: deviceSent() at the last state()

  DirectoryRecord& directoryRecord() const {
    return *static_cast<DirectoryRecord*>(directory_.data());
  }
  ConnectionHeader& header() const { return *static_cast<ConnectionHeader*>(section_.data()); }
};

}  // namespace tz::engine

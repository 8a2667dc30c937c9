// The channel functions and the connection states. Channel c's outgoing ring is 2c on the
// device side and 2c + 1 on the panel side; a direction's lock only orders this process's
// own threads, so the other process never waits on it.
#include "standins/rewire_engine/connection.h"

#include <atomic>
#include <utility>

namespace tz::engine {
namespace {

uint32_t load(uint32_t& word) {
  return std::atomic_ref<uint32_t>(word).load(std::memory_order_acquire);
}

}  // namespace

Connection::~Connection() {
  if (!established_) return;
  if (side_ == Side::Device) {
    std::atomic_ref<uint32_t>(header().deviceAlive).store(0);
    uint32_t mine = epoch_;
    std::atomic_ref<uint32_t>(directoryRecord().currentEpoch).compare_exchange_strong(mine, 0);
  } else {
    // Before the flag clears: a panel joining next takes up from there.
    dropIncoming();
    // Cleared before the mark goes, so that a panel joining next finds the slot free.
    std::atomic_ref<uint32_t>(header().panelConnected).store(0);
  }
}

// The marks are asked through watches opened off this path: asking the namespace itself
// (NamedMark::isHeld) waits for a folder lock that any process of the user may keep for as
// long as it likes, which stalled the panel's audio worker.
RWSTATUS Connection::state() {
  ConnectionHeader& header = this->header();
  if (side_ == Side::Panel) {
    if (load(directoryRecord().currentEpoch) != epoch_ || load(header.deviceAlive) == 0)
      return kRWNotConnected;
    // A message the device sent since the last check shows it alive after that check, as on
    // every block of a session: only a quiet device is asked of the kernel.
    const uint32_t sent = deviceSent();
    if (sentAtCheck_.exchange(sent, std::memory_order_relaxed) != sent) return kRWSuccess;
    return peerWatch_.held() ? kRWSuccess : kRWNotConnected;
  }
  if (load(header.panelConnects) == 0) return kRWSuccess;
  if (load(header.panelConnected) == 0) return kRWPanelGone;
  return panelHeld() ? kRWPanelConnected : kRWPanelGone;
}

// Every panel holds the same name, but each one that finds it unheld makes a new mark, which
// the watch of the one before never shows: the panel count says when to open it again. A
// panel holds its mark before it counts itself, so the watch opened here sees it.
bool Connection::panelHeld() {
  const std::lock_guard guard(peerLock_);
  const uint32_t connects = load(header().panelConnects);
  if (connects != watchedConnects_) {
    auto opened = platform::MarkWatch::open(peerMark_);
    // Another failure (no descriptor left, say) reads as gone this time and is tried again.
    if (opened.error == platform::PlatformError::Success ||
        opened.error == platform::PlatformError::FileNotFound)
      watchedConnects_ = connects;
    peerWatch_ = std::move(opened.watch);
  }
  return peerWatch_.held();
}

uint32_t Connection::deviceSent() {
  uint32_t sent = 0;
  for (uint32_t channel = 0; channel < channelCount_; ++channel)
    sent += rings_[2 * channel].produced();
  return sent;
}

MessageRing* Connection::ring(int32_t channel, bool outgoing) {
  if (channel < 0 || static_cast<uint32_t>(channel) >= channelCount_) return nullptr;
  const bool deviceToPanel = (side_ == Side::Device) == outgoing;
  return &rings_[2 * channel + (deviceToPanel ? 0 : 1)];
}

RWSTATUS Connection::doesMessageFit(int32_t channel, uint32_t size) {
  MessageRing* ring = this->ring(channel, true);
  if (ring == nullptr || size == 0 || size > ring->maxMessage()) return kRWGeneralFailure;
  return ring->fits(size) ? kRWSuccess : kRWNoRoom;
}

RWSTATUS Connection::send(int32_t channel, uint32_t size, const void* bytes) {
  MessageRing* ring = this->ring(channel, true);
  if (ring == nullptr) return kRWGeneralFailure;
  const std::lock_guard guard(ringLocks_[ring - rings_]);
  return ring->send(bytes, size);
}

RWSTATUS Connection::read(int32_t channel, uint16_t* size, void* buffer) {
  MessageRing* ring = this->ring(channel, false);
  if (size != nullptr) *size = 0;
  if (ring == nullptr || size == nullptr || buffer == nullptr) return kRWGeneralFailure;
  // The read that finds a channel drained, which ends every pump, needs no lock: what a
  // reader of this process takes meanwhile was never this one's.
  if (ring->empty()) return kRWSuccess;
  const std::lock_guard guard(ringLocks_[ring - rings_]);
  return ring->read(buffer, size);
}

RWSTATUS Connection::bytesAvailable(int32_t channel, uint32_t* bytes) {
  MessageRing* ring = this->ring(channel, false);
  if (bytes == nullptr || ring == nullptr) return kRWGeneralFailure;
  const std::lock_guard guard(ringLocks_[ring - rings_]);
  *bytes = ring->pendingBytes();
  return kRWSuccess;
}

}  // namespace tz::engine

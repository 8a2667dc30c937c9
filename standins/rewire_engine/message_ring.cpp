// The indices are published with release and read with acquire, so a message's bytes are in
// place before its producer's index covers them. A producer that dies mid-message never
// published it; the next producer of the direction starts from the published index.
#include "standins/rewire_engine/message_ring.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

namespace tz::engine {
namespace {

static_assert(std::atomic_ref<uint32_t>::is_always_lock_free);

uint32_t load(uint32_t& word) {
  return std::atomic_ref<uint32_t>(word).load(std::memory_order_acquire);
}

void store(uint32_t& word, uint32_t value) {
  std::atomic_ref<uint32_t>(word).store(value, std::memory_order_release);
}

}  // namespace

void MessageRing::format(RingHeader& header, uint32_t dataOffset, uint32_t capacity,
                         uint32_t maxMessage) {
  header.capacity = capacity;
  header.dataOffset = dataOffset;
  header.maxMessage = maxMessage;
}

bool MessageRing::attach(void* section, size_t sectionBytes, RingHeader& header) {
  const uint32_t capacity = header.capacity, offset = header.dataOffset;
  const uint32_t maxMessage = header.maxMessage;
  const bool sound = std::has_single_bit(capacity) && capacity >= 8 && offset % 4 == 0 &&
                     offset >= sizeof(ConnectionHeader) && offset <= sectionBytes &&
                     capacity <= sectionBytes - offset && maxMessage > 0 &&
                     maxMessage <= kMaxMessageBytes && messageRecordBytes(maxMessage) <= capacity;
  if (!sound) return false;
  header_ = &header;
  data_ = static_cast<uint8_t*>(section) + offset;
  capacity_ = capacity;
  maxMessage_ = maxMessage;
  return true;
}

// More than the capacity means a damaged index: nothing in the ring can then be trusted.
uint32_t MessageRing::used(uint32_t readIndex) const {
  return load(header_->writeIndex) - readIndex;
}

bool MessageRing::fits(uint32_t size) const {
  if (header_ == nullptr || size == 0 || size > maxMessage_) return false;
  const uint32_t pending = load(header_->writeIndex) - load(header_->readIndex);
  return pending <= capacity_ && messageRecordBytes(size) <= capacity_ - pending;
}

RWSTATUS MessageRing::send(const void* bytes, uint32_t size) {
  if (header_ == nullptr || bytes == nullptr || size == 0 || size > maxMessage_)
    return kRWGeneralFailure;
  if (!fits(size)) return kRWNoRoom;
  const uint32_t write = std::atomic_ref<uint32_t>(header_->writeIndex).load();
  copyIn(write, &size, 4);
  copyIn(write + 4, bytes, size);
  store(header_->writeIndex, write + messageRecordBytes(size));
  return kRWSuccess;
}

RWSTATUS MessageRing::read(void* buffer, uint16_t* size) {
  *size = 0;
  if (header_ == nullptr) return kRWGeneralFailure;
  const uint32_t read = load(header_->readIndex);
  const uint32_t pending = used(read);
  if (pending == 0) return kRWSuccess;
  if (pending > capacity_ || pending < 4) return kRWGeneralFailure;
  uint32_t length = 0;
  copyOut(read, &length, 4);
  if (length == 0 || length > maxMessage_ || messageRecordBytes(length) > pending)
    return kRWGeneralFailure;
  copyOut(read + 4, buffer, length);
  store(header_->readIndex, read + messageRecordBytes(length));
  *size = static_cast<uint16_t>(length);
  return kRWSuccess;
}

bool MessageRing::empty() const {
  return header_ != nullptr && load(header_->writeIndex) == load(header_->readIndex);
}

uint32_t MessageRing::pendingBytes() const {
  if (header_ == nullptr) return 0;
  uint32_t index = load(header_->readIndex), total = 0;
  const uint32_t pending = used(index);
  if (pending > capacity_) return 0;
  for (const uint32_t end = index + pending; end - index >= 4;) {
    uint32_t length = 0;
    copyOut(index, &length, 4);
    if (length == 0 || length > maxMessage_ || messageRecordBytes(length) > end - index) break;
    total += length;
    index += messageRecordBytes(length);
  }
  return total;
}

uint32_t MessageRing::produced() const {
  return header_ != nullptr ? load(header_->writeIndex) : 0;
}

void MessageRing::discardPending() {
  if (header_ != nullptr) store(header_->readIndex, load(header_->writeIndex));
}

void MessageRing::copyIn(uint32_t index, const void* bytes, uint32_t size) {
  const uint32_t at = index & (capacity_ - 1), first = std::min(size, capacity_ - at);
  memcpy(data_ + at, bytes, first);
  memcpy(data_, static_cast<const uint8_t*>(bytes) + first, size - first);
}

void MessageRing::copyOut(uint32_t index, void* bytes, uint32_t size) const {
  const uint32_t at = index & (capacity_ - 1), first = std::min(size, capacity_ - at);
  memcpy(bytes, data_ + at, first);
  memcpy(static_cast<uint8_t*>(bytes) + first, data_, size - first);
}

}  // namespace tz::engine

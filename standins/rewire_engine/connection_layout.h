// The shared records of a message connection: a small directory per device signature that
// names the current connection, and the connection's section with one ring per direction
// of each channel. Both processes map them; they are a wire format of our own, which a
// reader validates before it trusts a single offset.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tz::engine {

constexpr uint32_t kLayoutVersion = 1;
constexpr uint32_t kDirectoryMagic = 0x52445752;   // "RWDR"
constexpr uint32_t kConnectionMagic = 0x4E435752;  // "RWCN"
constexpr uint32_t kMaxChannels = 4;
constexpr uint32_t kMaxMessageBytes = 0xFFFF;  // reads report sizes in 16 bits

// "ReWire/<signature>": which connection is the current one. The device side bumps
// `epochs` for every connection it creates, so a connection's section name is never
// reused while any process still maps an older one.
struct DirectoryRecord {
  uint32_t magic;
  uint32_t version;
  uint32_t epochs;        // connections created so far
  uint32_t currentEpoch;  // the live device's connection; 0 when none
};
static_assert(sizeof(DirectoryRecord) == 16);

// One direction of one channel: a single-producer, single-consumer ring. The indices run
// freely in bytes and wrap at 2^32; each lives on a cache line of its own because the two
// processes write them from different cores.
struct RingHeader {
  uint32_t capacity;    // data bytes, a power of two
  uint32_t dataOffset;  // from the start of the section
  uint32_t maxMessage;  // largest message it carries, in bytes
  uint32_t reserved0[13];
  uint32_t writeIndex;  // stored by the producer only
  uint32_t reserved1[15];
  uint32_t readIndex;  // stored by the consumer only
  uint32_t reserved2[15];
};
static_assert(sizeof(RingHeader) == 192 && offsetof(RingHeader, writeIndex) == 64 &&
              offsetof(RingHeader, readIndex) == 128);

// "ReWire/<signature>/<epoch>". Channel c has ring 2c from device to panel and ring
// 2c + 1 from panel to device. Each message is a 32-bit size, its bytes, and padding to
// 4 bytes, so a size word never straddles the ring's end.
struct ConnectionHeader {
  uint32_t magic;  // written last by the device side
  uint32_t version;
  uint32_t sectionBytes;
  uint32_t channelCount;
  uint32_t deviceAlive;     // cleared when the device side destroys the connection
  uint32_t panelConnected;  // set while a panel is connected
  uint32_t panelConnects;   // panels that connected so far
  uint32_t reserved[9];
  RingHeader rings[2 * kMaxChannels];
};
static_assert(sizeof(ConnectionHeader) == 64 + 2 * kMaxChannels * 192);
static_assert(offsetof(ConnectionHeader, deviceAlive) == 16 &&
              offsetof(ConnectionHeader, panelConnected) == 20 &&
              offsetof(ConnectionHeader, panelConnects) == 24 &&
              offsetof(ConnectionHeader, rings) == 64);

inline uint32_t messageRecordBytes(uint32_t size) {
  return 4 + ((size + 3) & ~3u);
}

}  // namespace tz::engine

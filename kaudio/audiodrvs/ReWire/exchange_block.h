// The exchange block: the named section through which the device half (mixer process) and
// the panel half (host process) share the audio settings, the mixer's request for the
// current block and one audio slot of F mono float samples per channel. Creating, opening
// and closing allocate and do system calls (control threads only); the mapped block and its
// slots are plain memory for the audio path.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "support/platform/shared_section.h"
#include "tz/rewire_device.h"

namespace tz::rewire {

constexpr size_t kAllocationGranularity = 65536;
constexpr size_t kHeaderBytes = 1128;
// The audio area starts at the header size rounded up to the granularity.
constexpr size_t kAudioAreaOffset =
    (kHeaderBytes + kAllocationGranularity - 1) / kAllocationGranularity * kAllocationGranularity;
constexpr uint32_t kMaxChannels = 256;
// Largest F accepted: a block of 256 channels then stays within 1 GiB.
constexpr uint32_t kMaxFramesPerBlock = 1u << 20;

// The block's first 1128 bytes.
struct ExchangeHeader {
  uint32_t audioInfoSize;  // as the mixer gave it; the panel does not read it
  uint32_t sampleRate;
  uint32_t maxFramesPerBlock;
  DriveAudioInput request;  // the mixer's record of the current block
};
static_assert(sizeof(ExchangeHeader) == kHeaderBytes);
static_assert(offsetof(ExchangeHeader, sampleRate) == 4 &&
              offsetof(ExchangeHeader, maxFramesPerBlock) == 8 &&
              offsetof(ExchangeHeader, request) == 12);

// Between the header and the audio area, in space neither side otherwise uses: the number of
// the block the device last asked for and of the block the panel last answered. A completion
// signal left over from a late answer (a panel that hung past the device's wait) then never
// lets the device copy slots that the panel is still writing for an earlier block.
// `retired` is set by the device when it gives the block up (a new F or rate): the panel then
// lets go of it too, so that the device can make the next block afresh under the same name.
struct ExchangeSync {
  std::atomic<uint32_t> requested;
  std::atomic<uint32_t> answered;
  std::atomic<uint32_t> retired;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free && sizeof(ExchangeSync) == 12);
constexpr size_t kSyncOffset = kHeaderBytes;
static_assert(kSyncOffset % alignof(ExchangeSync) == 0 &&
              kSyncOffset + sizeof(ExchangeSync) <= kAudioAreaOffset);

struct ExchangeBlock {
  platform::SharedSection section;
  platform::SectionView whole;
  platform::SectionView headerView;
  platform::SectionView audioView;
  uint32_t maxFrames = 0;  // F the slots were laid out for
  uint32_t slotCount = 0;
  float* slots[kMaxChannels] = {};

  bool isOpen() const { return headerView.data() != nullptr; }
  bool retired() const {
    const ExchangeSync* s = sync();
    return s != nullptr && s->retired.load(std::memory_order_acquire) != 0;
  }
  ExchangeHeader* header() const { return static_cast<ExchangeHeader*>(headerView.data()); }
  // Null while not open. A new section starts as zeros, which both sides read as block 0.
  ExchangeSync* sync() const {
    return whole.data() != nullptr
               ? reinterpret_cast<ExchangeSync*>(static_cast<uint8_t*>(whole.data()) + kSyncOffset)
               : nullptr;
  }
};

// Bytes of a block of `channels` slots of `maxFrames` frames, rounded up to the granularity;
// 0 when F is 0 or above kMaxFramesPerBlock, or channels is 0 or above kMaxChannels.
size_t exchangeBlockBytes(uint32_t channels, uint32_t maxFrames);

// Device side: creates the block named `name` for `channels` slots of F frames and maps it.
// 0 on success; 1 on failure, with nothing left open, also when a live process still holds a
// block of that name: the device never writes into a block it did not make (another mixer's,
// or the one a panel has not let go of yet).
uint32_t createExchangeBlock(ExchangeBlock& block, const char* name, uint32_t channels,
                             uint32_t maxFrames);

// Device side: marks the block given up, so that a panel still holding it lets it go, and
// closes it.
void retireExchangeBlock(ExchangeBlock& block);

// Panel side: opens the block by name, reads the sample rate and F from its header and lays
// out 2 × outputCount slots. 0 on success; 1 on failure (no block, a retired one, or one too
// small for the slots that its header describes), with nothing left open.
uint32_t openExchangeBlock(ExchangeBlock& block, const char* name, uint32_t outputCount,
                           uint32_t* sampleRate, uint32_t* maxFrames);

// Unmaps the views and closes the section; safe when nothing is open.
void closeExchangeBlock(ExchangeBlock& block);

}  // namespace tz::rewire

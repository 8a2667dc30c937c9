// Creating, opening and closing the exchange block. The slots are laid out only after the
// section's real size has been checked: a section opened by name keeps the size it was made
// with, whatever its header says.
#include "kaudio/audiodrvs/ReWire/exchange_block.h"

#include <utility>

namespace tz::rewire {
namespace {

using platform::SharedSection;

// The end of the last slot; 0 for a layout out of range.
size_t slotsEnd(uint32_t channels, uint32_t maxFrames) {
  if (maxFrames == 0 || maxFrames > kMaxFramesPerBlock || channels == 0 || channels > kMaxChannels)
    return 0;
  return kAudioAreaOffset + size_t{channels} * maxFrames * sizeof(float);
}

// Maps the three views of an open section and lays out the slots. False, with the views
// unmapped, when the section cannot hold them.
bool mapViews(ExchangeBlock& block, uint32_t channels, uint32_t maxFrames) {
  const size_t needed = slotsEnd(channels, maxFrames);
  if (needed == 0 || block.section.size() < needed) return false;
  auto whole = block.section.map(0, 0);
  auto header = block.section.map(0, kHeaderBytes);
  auto audio = block.section.map(kAudioAreaOffset, 0);
  if (!succeeded(whole.error) || !succeeded(header.error) || !succeeded(audio.error)) return false;
  block.whole = std::move(whole.view);
  block.headerView = std::move(header.view);
  block.audioView = std::move(audio.view);
  block.maxFrames = maxFrames;
  block.slotCount = channels;
  auto* area = static_cast<float*>(block.audioView.data());
  for (uint32_t c = 0; c < kMaxChannels; ++c)
    block.slots[c] = c < channels ? area + static_cast<size_t>(c) * maxFrames : nullptr;
  return true;
}

}  // namespace

size_t exchangeBlockBytes(uint32_t channels, uint32_t maxFrames) {
  const size_t bytes = slotsEnd(channels, maxFrames);
  if (bytes == 0) return 0;
  return (bytes + kAllocationGranularity - 1) / kAllocationGranularity * kAllocationGranularity;
}

uint32_t createExchangeBlock(ExchangeBlock& block, const char* name, uint32_t channels,
                             uint32_t maxFrames) {
  closeExchangeBlock(block);
  const size_t bytes = exchangeBlockBytes(channels, maxFrames);
  if (bytes == 0) return 1;
  auto created = SharedSection::create(name, bytes);
  if (!succeeded(created.error) || created.existed) return 1;
  block.section = std::move(created.section);
  if (mapViews(block, channels, maxFrames)) return 0;
  closeExchangeBlock(block);
  return 1;
}

uint32_t openExchangeBlock(ExchangeBlock& block, const char* name, uint32_t outputCount,
                           uint32_t* sampleRate, uint32_t* maxFrames) {
  closeExchangeBlock(block);
  if (outputCount == 0 || outputCount > kMaxChannels / 2) return 1;
  auto opened = SharedSection::open(name);
  if (!succeeded(opened.error) || opened.section.size() < kHeaderBytes) return 1;
  block.section = std::move(opened.section);
  auto header = block.section.map(0, kHeaderBytes);
  if (!succeeded(header.error)) {
    closeExchangeBlock(block);
    return 1;
  }
  const auto* words = static_cast<const ExchangeHeader*>(header.view.data());
  const uint32_t rate = words->sampleRate;
  const uint32_t frames = words->maxFramesPerBlock;
  header.view.unmap();
  if (!mapViews(block, 2 * outputCount, frames) || block.retired()) {
    closeExchangeBlock(block);
    return 1;
  }
  if (sampleRate != nullptr) *sampleRate = rate;
  if (maxFrames != nullptr) *maxFrames = frames;
  return 0;
}

void retireExchangeBlock(ExchangeBlock& block) {
  if (ExchangeSync* sync = block.sync()) sync->retired.store(1, std::memory_order_release);
  closeExchangeBlock(block);
}

void closeExchangeBlock(ExchangeBlock& block) {
  block.audioView.unmap();
  block.headerView.unmap();
  block.whole.unmap();
  block.section.close();
  block.maxFrames = 0;
  block.slotCount = 0;
  for (float*& slot : block.slots) slot = nullptr;
}

}  // namespace tz::rewire

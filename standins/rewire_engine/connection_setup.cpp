// Making and joining a connection. The device side publishes a connection only once its
// section is complete (the magic last, then the directory's current epoch), so a panel
// never sees half of one. Names: "ReWire/<signature>" for the directory,
// "ReWire/<signature>/<epoch>" for a connection's section and its two sides' marks.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>

#include "standins/rewire_engine/connection.h"

namespace tz::engine {
namespace {

using platform::NamedMark;
using platform::PlatformError;
using platform::SharedSection;

constexpr size_t kMaxSignatureBytes = 64;

uint32_t load(uint32_t& word) {
  return std::atomic_ref<uint32_t>(word).load(std::memory_order_acquire);
}

void store(uint32_t& word, uint32_t value) {
  std::atomic_ref<uint32_t>(word).store(value, std::memory_order_release);
}

bool validSignature(const char* signature) {
  if (signature == nullptr) return false;
  const size_t length = strnlen(signature, kMaxSignatureBytes + 1);
  return length > 0 && length <= kMaxSignatureBytes && memchr(signature, '/', length) == nullptr;
}

std::string directoryName(std::string_view signature) {
  return std::string("ReWire/").append(signature);
}

std::string sectionName(std::string_view signature, uint32_t epoch) {
  return directoryName(signature).append("/").append(std::to_string(epoch));
}

RWSTATUS statusOf(PlatformError error) {
  if (error == PlatformError::NotEnoughMemory || error == PlatformError::OutOfMemory)
    return kRWOutOfMemory;
  return error == PlatformError::Success ? kRWSuccess : kRWGeneralFailure;
}

bool validRecord(const RWChannelRecord& record) {
  return record.size == sizeof(RWChannelRecord) && record.sendBytes > 0 &&
         record.sendBytes <= kMaxMessageBytes && record.receiveBytes > 0 &&
         record.receiveBytes <= kMaxMessageBytes;
}

// Room for at least one message of the largest size.
uint32_t ringCapacity(uint32_t maxMessage) {
  return std::bit_ceil(messageRecordBytes(maxMessage));
}

}  // namespace

RWSTATUS Connection::create(const char* signature, int32_t channelCount,
                            const RWChannelRecord* channels, std::unique_ptr<Connection>& out) {
  if (!validSignature(signature) || channelCount < 1 ||
      channelCount > static_cast<int32_t>(kMaxChannels) || channels == nullptr ||
      !std::all_of(channels, channels + channelCount, validRecord))
    return kRWGeneralFailure;
  std::unique_ptr<Connection> connection(new (std::nothrow) Connection(Side::Device));
  if (connection == nullptr) return kRWOutOfMemory;
  // One live device per signature; the mark, not the directory, decides, since a panel
  // of a dead device may keep the directory alive.
  auto exclusive = NamedMark::hold(directoryName(signature) + "/device");
  if (exclusive.error != PlatformError::Success) return statusOf(exclusive.error);
  if (exclusive.existed) return kRWAlreadyOpen;
  connection->signatureMark_ = std::move(exclusive.mark);

  auto directory = SharedSection::create(directoryName(signature), sizeof(DirectoryRecord));
  if (directory.error != PlatformError::Success) return statusOf(directory.error);
  if (const RWSTATUS s = connection->mapDirectory(std::move(directory.section)); s != kRWSuccess)
    return s;
  DirectoryRecord& record = connection->directoryRecord();
  // Only the holder of the signature mark writes here, so a plain first-time set-up is safe.
  if (load(record.magic) == 0) {
    record.version = kLayoutVersion;
    store(record.magic, kDirectoryMagic);
  }
  if (load(record.magic) != kDirectoryMagic || record.version != kLayoutVersion)
    return kRWGeneralFailure;
  do connection->epoch_ = std::atomic_ref<uint32_t>(record.epochs).fetch_add(1) + 1;
  while (connection->epoch_ == 0);

  const std::string name = sectionName(signature, connection->epoch_);
  if (const RWSTATUS s = connection->makeSection(name, channels, channelCount); s != kRWSuccess)
    return s;
  auto live = NamedMark::hold(name + "/device");
  if (live.error != PlatformError::Success) return statusOf(live.error);
  connection->liveMark_ = std::move(live.mark);
  connection->peerMark_ = name + "/panel";
  store(connection->header().magic, kConnectionMagic);
  store(record.currentEpoch, connection->epoch_);
  connection->established_ = true;
  out = std::move(connection);
  return kRWSuccess;
}

RWSTATUS Connection::makeSection(const std::string& name, const RWChannelRecord* channels,
                                 int32_t channelCount) {
  const auto count = static_cast<uint32_t>(channelCount);
  const uint32_t first = (sizeof(ConnectionHeader) + 63) & ~63u;
  uint32_t bytes = first;
  for (uint32_t c = 0; c < count; ++c)
    bytes += ringCapacity(channels[c].sendBytes) + ringCapacity(channels[c].receiveBytes);
  auto section = SharedSection::create(name, bytes);
  if (section.error != PlatformError::Success) return statusOf(section.error);
  // Epochs are never reused while the directory lives, and whoever maps a section maps
  // the directory too: a section of this name must be new.
  if (section.existed || section.section.size() != bytes) return kRWGeneralFailure;
  auto view = section.section.map(0, 0);
  if (view.error != PlatformError::Success) return statusOf(view.error);
  section_ = std::move(view.view);

  ConnectionHeader& header = this->header();
  header.version = kLayoutVersion;
  header.sectionBytes = bytes;
  header.channelCount = count;
  header.deviceAlive = 1;
  for (uint32_t c = 0, offset = first; c < count; ++c) {
    const uint32_t sizes[2] = {channels[c].sendBytes, channels[c].receiveBytes};
    for (uint32_t d = 0; d < 2; ++d) {
      MessageRing::format(header.rings[2 * c + d], offset, ringCapacity(sizes[d]), sizes[d]);
      offset += ringCapacity(sizes[d]);
    }
  }
  return attachRings();
}

RWSTATUS Connection::connect(const char* signature, std::unique_ptr<Connection>& out) {
  if (!validSignature(signature)) return kRWGeneralFailure;
  std::unique_ptr<Connection> connection(new (std::nothrow) Connection(Side::Panel));
  if (connection == nullptr) return kRWOutOfMemory;
  auto directory = SharedSection::open(directoryName(signature));
  if (directory.error == PlatformError::FileNotFound) return kRWNotConnected;
  if (directory.error != PlatformError::Success) return statusOf(directory.error);
  if (const RWSTATUS s = connection->mapDirectory(std::move(directory.section)); s != kRWSuccess)
    return s;
  DirectoryRecord& record = connection->directoryRecord();
  const uint32_t magic = load(record.magic);
  if (magic == 0) return kRWNotConnected;  // its first device is still setting up
  if (magic != kDirectoryMagic || record.version != kLayoutVersion) return kRWGeneralFailure;
  const uint32_t epoch = load(record.currentEpoch);
  if (epoch == 0) return kRWNotConnected;
  connection->epoch_ = epoch;

  if (const RWSTATUS s = connection->openSection(sectionName(signature, epoch)); s != kRWSuccess)
    return s;
  ConnectionHeader& header = connection->header();
  if (load(header.deviceAlive) == 0) return kRWNotConnected;
  // Opened once, here, so that state() on the panel's audio worker only asks it.
  auto device = platform::MarkWatch::open(sectionName(signature, epoch) + "/device");
  if (device.error == PlatformError::FileNotFound) return kRWNotConnected;
  if (device.error != PlatformError::Success) return statusOf(device.error);
  connection->peerWatch_ = std::move(device.watch);

  auto live = NamedMark::hold(sectionName(signature, epoch) + "/panel");
  if (live.error != PlatformError::Success) return statusOf(live.error);
  if (live.existed) return kRWAlreadyOpen;
  connection->liveMark_ = std::move(live.mark);
  // A panel that left dropped what was pending for it; one that died could not, and what
  // the device sent it (a quit, say) is not this panel's business.
  if (load(header.panelConnected) != 0) connection->dropIncoming();
  std::atomic_ref<uint32_t>(header.panelConnects).fetch_add(1);
  store(header.panelConnected, 1);
  // What the device sent before tells nothing of it since: the first check asks the kernel.
  connection->sentAtCheck_.store(connection->deviceSent());
  connection->established_ = true;
  out = std::move(connection);
  return kRWSuccess;
}

RWSTATUS Connection::openSection(const std::string& name) {
  auto section = SharedSection::open(name);
  if (section.error == PlatformError::FileNotFound) return kRWNotConnected;
  if (section.error != PlatformError::Success) return statusOf(section.error);
  if (section.section.size() < sizeof(ConnectionHeader)) return kRWGeneralFailure;
  auto view = section.section.map(0, 0);
  if (view.error != PlatformError::Success) return statusOf(view.error);
  section_ = std::move(view.view);
  ConnectionHeader& header = this->header();
  if (load(header.magic) != kConnectionMagic || header.version != kLayoutVersion ||
      header.sectionBytes != section_.size())
    return kRWGeneralFailure;
  return attachRings();
}

void Connection::dropIncoming() {
  for (uint32_t c = 0; c < channelCount_; ++c) {
    const std::lock_guard guard(ringLocks_[2 * c]);
    rings_[2 * c].discardPending();
  }
}

RWSTATUS Connection::mapDirectory(SharedSection section) {
  if (section.size() < sizeof(DirectoryRecord)) return kRWGeneralFailure;
  auto view = section.map(0, sizeof(DirectoryRecord));
  if (view.error != PlatformError::Success) return statusOf(view.error);
  directory_ = std::move(view.view);
  return kRWSuccess;
}

// The geometry is read once and checked; later calls trust only this process's copy.
RWSTATUS Connection::attachRings() {
  ConnectionHeader& header = this->header();
  const uint32_t count = header.channelCount;
  if (count < 1 || count > kMaxChannels) return kRWGeneralFailure;
  for (uint32_t r = 0; r < 2 * count; ++r)
    if (!rings_[r].attach(section_.data(), section_.size(), header.rings[r]))
      return kRWGeneralFailure;
  channelCount_ = count;
  return kRWSuccess;
}

}  // namespace tz::engine

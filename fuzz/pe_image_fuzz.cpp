// The PE image reader on any bytes, laid out as the loader lays out a file: the headers, then
// each section at its image offset. The image gets pages of its own with an unreadable page
// after them, and its SizeOfImage is cut to what the pages hold, so that whatever the reader
// takes for inside the image is readable. The reader must keep every directory, resource and
// data entry it reports inside the image, and the version reader inside its resource.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/platform/pe_format.h"
#include "support/platform/pe_image.h"

namespace {

using namespace tz::platform;

constexpr size_t kLargestImage = size_t{1} << 20;
// Room for the headers wherever the DOS header may put them.
constexpr size_t kSmallestImage = 0x10000 + sizeof(pe::NtHeaders32);

struct SectionHeader {
  char name[8];
  uint32_t virtualSize;
  uint32_t virtualAddress;
  uint32_t sizeOfRawData;
  uint32_t pointerToRawData;
  uint32_t rest[4];
};
static_assert(sizeof(SectionHeader) == 40);

template <typename T>
bool fieldAt(const uint8_t* data, size_t size, size_t at, T& value) {
  if (at > size || sizeof value > size - at) return false;
  memcpy(&value, data + at, sizeof value);
  return true;
}

// The headers where they are, each section's raw data copied to its image offset.
void layOut(const uint8_t* data, size_t size, uint8_t* image, size_t imageSize) {
  memcpy(image, data, std::min(size, imageSize));
  pe::DosHeader dos;
  pe::FileHeader file;
  if (!fieldAt(data, size, 0, dos) || dos.newHeaderOffset < 0 ||
      !fieldAt(data, size, size_t(dos.newHeaderOffset) + 4, file))
    return;
  const size_t table = size_t(dos.newHeaderOffset) + 4 + sizeof file + file.sizeOfOptionalHeader;
  for (uint32_t i = 0; i < std::min<uint32_t>(file.numberOfSections, 96); ++i) {
    SectionHeader section;
    if (!fieldAt(data, size, table + i * sizeof section, section)) return;
    const size_t from = section.pointerToRawData, to = section.virtualAddress;
    if (from > size || to > imageSize) continue;
    const size_t bytes = std::min({size_t{section.sizeOfRawData}, size - from, imageSize - to});
    memcpy(image + to, data + from, bytes);
  }
}

void mustHold(const PeImage& image, uint32_t rva, uint32_t bytes) {
  if (!image.holds(rva, bytes)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  pe::DosHeader dos{};
  pe::NtHeaders32 headers{};
  size_t claimed = 0;
  const bool hasHeaders = fieldAt(data, size, 0, dos) && dos.newHeaderOffset >= 0 &&
                          dos.newHeaderOffset <= 0x10000 &&
                          fieldAt(data, size, size_t(dos.newHeaderOffset), headers);
  if (hasHeaders) claimed = std::min<size_t>(headers.optionalHeader.sizeOfImage, kLargestImage);
  const size_t imageSize = (std::max({size, claimed, kSmallestImage}) + page - 1) / page * page;
  void* region =
      mmap(nullptr, imageSize + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return 0;
  auto* image = static_cast<uint8_t*>(region);
  mprotect(image + imageSize, page, PROT_NONE);
  layOut(data, size, image, imageSize);
  // Sections may have been laid over the headers: the field is cut where it ended up.
  pe::DosHeader laidOut;
  memcpy(&laidOut, image, sizeof laidOut);
  if (laidOut.newHeaderOffset >= 0 && laidOut.newHeaderOffset <= 0x10000) {
    const size_t sizeField =
        size_t(laidOut.newHeaderOffset) + offsetof(pe::NtHeaders32, optionalHeader.sizeOfImage);
    uint32_t sizeOfImage;
    memcpy(&sizeOfImage, image + sizeField, sizeof sizeOfImage);
    sizeOfImage = static_cast<uint32_t>(std::min<size_t>(sizeOfImage, imageSize));
    memcpy(image + sizeField, &sizeOfImage, sizeof sizeOfImage);
  }

  PeImage pe;
  if (readPeImage(reinterpret_cast<uintptr_t>(image), pe)) {
    if (pe.size > imageSize) std::abort();
    mustHold(pe, pe.exports.rva, pe.exports.size);
    mustHold(pe, pe.resources.rva, pe.resources.size);
    checkPeResources(pe);
    // The version record, a string table, a dialog in one language and a named resource.
    const ResourceKey keys[][2] = {{ResourceKey::id(16), ResourceKey::id(1)},
                                   {ResourceKey::id(6), ResourceKey::id(1)},
                                   {ResourceKey::id(5), ResourceKey::id(1368)},
                                   {ResourceKey::named(u"WAVE"), ResourceKey::named(u"CLICK")}};
    const int languages[] = {kAnyLanguage, kAnyLanguage, 0x409, kAnyLanguage};
    for (size_t i = 0; i < 4; ++i) {
      PeResource found;
      if (!findPeResource(pe, keys[i][0], keys[i][1], languages[i], found)) continue;
      mustHold(pe, found.rva, found.size);
      const uintptr_t section = pe.base + pe.resources.rva;
      if (found.dataEntry < section || found.dataEntry + 16 > section + pe.resources.size)
        std::abort();
      FileVersion version;
      if (i == 0) versionFromResource(pe.base + found.rva, found.size, version);
    }
  }
  munmap(region, imageSize + page);
  return 0;
}

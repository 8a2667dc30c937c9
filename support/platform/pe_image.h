// A PE image in this process's memory, read as hostile: every read goes through the memory
// probe and every offset and count is checked against the image's size, so a damaged image or
// a mapped data file gives "not found", never a fault. No allocation, no lock.
#pragma once

#include <cstdint>

#include "support/platform/module.h"
#include "support/platform/resource_directory.h"

namespace tz::platform {

struct PeDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};

struct PeImage {
  uintptr_t base = 0;
  uint32_t size = 0;  // SizeOfImage
  PeDirectory exports;
  PeDirectory resources;

  // True when [rva, rva + bytes) lies inside the image.
  bool holds(uint32_t rva, uint32_t bytes) const { return rva <= size && bytes <= size - rva; }
};

// The headers of the 32-bit x86 image mapped at base (a module handle with its low tag bits
// cleared); false when there is none.
bool readPeImage(uintptr_t base, PeImage& image);

// A resource found in the resource section: its data entry and its data.
struct PeResource {
  uintptr_t dataEntry = 0;  // the address of its data entry (pe::ResourceDataEntry)
  uint32_t rva = 0;
  uint32_t size = 0;
};

// The resource of type and name in language, or in the first language it has when language is
// kAnyLanguage; false when it is missing or the section is damaged on the way.
constexpr int kAnyLanguage = -1;
bool findPeResource(const PeImage& image, ResourceKey type, ResourceKey name, int language,
                    PeResource& found);

// Checks the whole resource section: Success when every directory, name and data entry lies
// inside it or the image, BadFormat when one does not, ResourceTypeNotFound when there is no
// resource.
PlatformError checkPeResources(const PeImage& image);

// The file version in a version resource's data (VS_VERSIONINFO); false when it holds none.
bool versionFromResource(uintptr_t data, uint32_t size, FileVersion& version);

}  // namespace tz::platform

// Instance handles and resource directories through the loader's list of loaded objects: an
// instance handle is where an object's first segment maps its file's start (the ELF header),
// and the resources are a note in one of its PT_NOTE segments.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "support/platform/module.h"
#include "support/platform/resources.h"

namespace tz::platform {

namespace {

const void* imageStart(const dl_phdr_info& info) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info.dlpi_phdr[i];
    if (header.p_type == PT_LOAD && header.p_offset == 0)
      return reinterpret_cast<const void*>(info.dlpi_addr + header.p_vaddr);
  }
  return nullptr;
}

// The first note of the owner and type in a note segment, bounded by the segment.
bool findNote(const uint8_t* notes, size_t size, const char* owner, uint32_t type,
              const uint8_t*& descriptor, size_t& descriptorSize) {
  const size_t ownerSize = strlen(owner) + 1;
  size_t at = 0;
  while (size - at >= sizeof(ElfW(Nhdr))) {
    ElfW(Nhdr) note{};
    memcpy(&note, notes + at, sizeof note);
    at += sizeof note;
    const size_t nameSpace = (note.n_namesz + 3u) & ~size_t{3};
    const size_t descriptorSpace = (note.n_descsz + 3u) & ~size_t{3};
    if (size - at < nameSpace || size - at - nameSpace < note.n_descsz) return false;
    if (note.n_type == type && note.n_namesz == ownerSize &&
        memcmp(notes + at, owner, ownerSize) == 0) {
      descriptor = notes + at + nameSpace;
      descriptorSize = note.n_descsz;
      return true;
    }
    if (size - at - nameSpace < descriptorSpace) return false;
    at += nameSpace + descriptorSpace;
  }
  return false;
}

struct Search {
  const void* image;
  ResourceDirectory directory;
  bool found = false;
};

int visit(dl_phdr_info* info, size_t, void* context) {
  auto& search = *static_cast<Search*>(context);
  if (imageStart(*info) != search.image) return 0;
  search.found = true;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    const uint8_t* descriptor = nullptr;
    size_t size = 0;
    if (header.p_type == PT_NOTE &&
        findNote(reinterpret_cast<const uint8_t*>(info->dlpi_addr + header.p_vaddr),
                 header.p_memsz, kResourceNoteOwner, kResourceNoteType, descriptor, size)) {
      search.directory = ResourceDirectory(descriptor, size);
      break;
    }
  }
  return 1;
}

Search searchImage(const void* image) {
  Search search{image, {}};
  if (image != nullptr) dl_iterate_phdr(visit, &search);
  return search;
}

}  // namespace

const void* imageOf(const void* address) {
  Dl_info info{};
  return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

std::string imagePath(const void* image) {
  return searchImage(image).found ? modulePathOf(image) : std::string();
}

ResourceDirectory resourceDirectoryOf(const void* image) {
  return searchImage(image).directory;
}

const void* Module::image() const {
  link_map* map = nullptr;
  if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr)
    return nullptr;
  struct Match {
    ElfW(Addr) bias;
    const char* name;
    const void* image;
  } match{map->l_addr, map->l_name, nullptr};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* context) {
        auto& wanted = *static_cast<Match*>(context);
        if (info->dlpi_addr != wanted.bias || info->dlpi_name == nullptr ||
            strcmp(info->dlpi_name, wanted.name) != 0)
          return 0;
        wanted.image = imageStart(*info);
        return 1;
      },
      &match);
  return match.image;
}

}  // namespace tz::platform

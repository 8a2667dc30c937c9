// Instance handles and resource directories through the loader's list of loaded objects: an
// instance handle is where an object's first segment maps its file's start (the ELF header),
// and the resources are a note in one of its PT_NOTE segments. Modules read as data have
// instance handles of their own, looked up first.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "support/platform/module.h"
#include "support/platform/module_resources.h"
#include "support/platform/posix/data_module_table.h"
#include "support/platform/posix/elf_note.h"
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
        findNote(reinterpret_cast<const uint8_t*>(info->dlpi_addr + header.p_vaddr), header.p_memsz,
                 header.p_align, kResourceNoteOwner, kResourceNoteType, descriptor, size)) {
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
  ResourceDirectory directory;
  if (dataModuleDirectory(image, directory)) return directory;
  return searchImage(image).directory;
}

const ResourceEntry* findModuleResource(const void* image, ResourceKey type, ResourceKey name,
                                        std::initializer_list<uint16_t> languages,
                                        bool anyLanguage) {
  const ResourceDirectory directory = resourceDirectoryOf(image);
  for (uint16_t language : languages)
    if (const ResourceEntry* entry = directory.find(type, name, language)) return entry;
  return anyLanguage ? directory.findFirst(type, name) : nullptr;
}

const void* moduleResourceData(const void* image, const ResourceEntry* entry, uint32_t& size) {
  const ResourceDirectory directory = resourceDirectoryOf(image);
  const void* data = directory.holds(entry) ? directory.data(*entry) : nullptr;
  size = data != nullptr ? entry->size : 0;
  return data;
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

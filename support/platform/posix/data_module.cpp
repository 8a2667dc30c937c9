// Data modules: the resource note of an ELF file, read through the checked note reader into a
// block of our own, and a table of those blocks. An instance handle is the address of the
// module's copy of its resource directory: heap memory, so it never names a loaded image.
#include "support/platform/data_module.h"

#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "support/platform/posix/data_module_table.h"
#include "support/platform/posix/elf_note.h"
#include "support/platform/resource_directory.h"

namespace tz::platform {

namespace {

struct Record {
  std::vector<uint8_t> directory;
  Record* next;
};

// Constant-initialised with trivial destructors: the library's own load and unload use the
// table, and they run outside the order of its static objects.
constinit std::mutex tableLock;
constinit Record* firstRecord = nullptr;

Record** linkTo(const void* instance) {
  Record** link = &firstRecord;
  while (*link != nullptr && (*link)->directory.data() != instance) link = &(*link)->next;
  return link;
}

}  // namespace

bool dataModuleDirectory(const void* instance, ResourceDirectory& directory) {
  if (instance == nullptr) return false;
  const std::lock_guard hold(tableLock);
  const Record* record = *linkTo(instance);
  if (record == nullptr) return false;
  directory = ResourceDirectory(record->directory.data(), record->directory.size());
  return true;
}

PlatformError DataModule::load(std::string_view path) {
  ReadOnlyFile file;
  if (const PlatformError opened = file.open(path); opened != PlatformError::Success) return opened;
  if (file.size() > kMaxDataModuleBytes) return PlatformError::BadFormat;
  std::vector<uint8_t> directory;
  const PlatformError found = readElfNote(
      file.size(), file.reader(),
      {kResourceNoteOwner, kResourceNoteType, kMaxDataModuleBytes, /*wholeFile=*/true}, directory);
  if (found != PlatformError::Success) return found;
  if (ResourceDirectory(directory.data(), directory.size()).empty())
    return PlatformError::BadFormat;

  auto* record = new (std::nothrow) Record{std::move(directory), nullptr};
  if (record == nullptr) return PlatformError::NotEnoughMemory;
  {
    const std::lock_guard hold(tableLock);
    record->next = firstRecord;
    firstRecord = record;
  }
  unload();
  instance_ = record->directory.data();
  return PlatformError::Success;
}

void DataModule::unload() {
  if (instance_ == nullptr) return;
  Record* record = nullptr;
  {
    const std::lock_guard hold(tableLock);
    Record** link = linkTo(std::exchange(instance_, nullptr));
    record = *link;
    if (record != nullptr) *link = record->next;
  }
  delete record;
}

}  // namespace tz::platform

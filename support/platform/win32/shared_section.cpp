// A section backed by the paging file. It starts with a header that records the size its
// creator gave, since the system keeps only whole pages; views begin after the header. Each
// view carries a handle of its own, so that it keeps the name alive by itself.
#include "support/platform/shared_section.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "support/platform/other_process.h"
#include "support/platform/win32/object_names.h"
#include "support/platform/win32/system_error.h"

namespace tz::platform {
namespace {

struct SectionHeader {
  uint32_t magic;
  uint32_t version;
  uint64_t bytes;  // the section's size; the system's is this and the header, in whole pages
};
static_assert(sizeof(SectionHeader) == 16);  // keeps views 16-byte aligned

constexpr uint32_t Magic = 0x63537A54;  // "TzSc"
constexpr uint32_t Version = 1;

// Creation and the first read of the header go under one lock of the session, so that a
// joiner never reads a header its creator has not written yet. A holder that died leaves the
// lock abandoned, which the next waiter takes over.
class Gate {
 public:
  Gate() : mutex_(CreateMutexW(nullptr, FALSE, L"tz-gate~section")) {
    if (mutex_ != nullptr) WaitForSingleObject(mutex_, INFINITE);
  }
  Gate(const Gate&) = delete;
  ~Gate() {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  PlatformError error() const { return mutex_ != nullptr ? PlatformError::Success : error_; }

 private:
  HANDLE mutex_;
  PlatformError error_ = lastSystemError();
};

size_t granularity() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

// The header is as hostile as any other byte of shared memory: the size it gives must fit
// the pages the system really has. Mapping read/write also tells that the handle is a section
// held as ours are.
PlatformError readSize(HANDLE section, size_t& size) {
  void* whole = MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
  if (whole == nullptr) return lastSystemError();
  MEMORY_BASIC_INFORMATION region{};
  SectionHeader header{};
  const bool queried = VirtualQuery(whole, &region, sizeof region) == sizeof region;
  if (queried && region.RegionSize >= sizeof header) memcpy(&header, whole, sizeof header);
  UnmapViewOfFile(whole);
  if (header.magic != Magic || header.version != Version || header.bytes == 0 ||
      header.bytes > region.RegionSize - sizeof header)
    return PlatformError::InvalidData;
  size = static_cast<size_t>(header.bytes);
  return PlatformError::Success;
}

PlatformError writeHeader(HANDLE section, size_t bytes) {
  void* first = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(SectionHeader));
  if (first == nullptr) return lastSystemError();
  const SectionHeader header{Magic, Version, bytes};
  memcpy(first, &header, sizeof header);
  UnmapViewOfFile(first);
  return PlatformError::Success;
}

// The system's out-of-commit answer is ours out of memory.
PlatformError creationError() {
  const DWORD code = GetLastError();
  return code == ERROR_COMMITMENT_LIMIT || code == ERROR_NOT_ENOUGH_MEMORY ||
                 code == ERROR_OUTOFMEMORY
             ? PlatformError::NotEnoughMemory
             : errorFromCode(code);
}

}  // namespace

// The view's base is the start of its allocation.
void SectionView::unmap() {
  if (data_ == nullptr) return;
  MEMORY_BASIC_INFORMATION region{};
  if (VirtualQuery(data_, &region, sizeof region) == sizeof region)
    UnmapViewOfFile(region.AllocationBase);
  if (reference_ >= 0) CloseHandle(handleOf(reference_));
  data_ = nullptr;
  size_ = 0;
  reference_ = -1;
}

SectionOpenResult SharedSection::adopt(PlatformError error, int32_t handle, bool existed) {
  SectionOpenResult result{error, SharedSection(), existed};
  if (error != PlatformError::Success) return result;
  size_t size = 0;
  result.error = readSize(handleOf(handle), size);
  if (result.error != PlatformError::Success) {
    CloseHandle(handleOf(handle));
    return result;
  }
  result.section.handle_ = handle;
  result.section.size_ = size;
  return result;
}

SectionOpenResult SharedSection::create(std::string_view name, size_t bytes) {
  if (bytes == 0) return {PlatformError::InvalidParameter, SharedSection(), false};
  std::wstring systemName;
  if (const PlatformError e = systemObjectName(ObjectKind::Section, name, systemName);
      e != PlatformError::Success)
    return {e, SharedSection(), false};
  const uint64_t total = uint64_t{bytes} + sizeof(SectionHeader);
  const Gate gate;
  if (gate.error() != PlatformError::Success) return {gate.error(), SharedSection(), false};
  const HANDLE section = CreateFileMappingW(
      INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_COMMIT, static_cast<DWORD>(total >> 32),
      static_cast<DWORD>(total), systemName.c_str());
  if (section == nullptr) {
    // Another type's object under our name: not ours to join.
    const PlatformError error =
        GetLastError() == ERROR_INVALID_HANDLE ? PlatformError::AccessDenied : creationError();
    return {error, SharedSection(), false};
  }
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!existed) {
    if (const PlatformError e = writeHeader(section, bytes); e != PlatformError::Success) {
      CloseHandle(section);
      return {e, SharedSection(), false};
    }
  }
  return adopt(PlatformError::Success, numberOf(section), existed);
}

SectionOpenResult SharedSection::open(std::string_view name) {
  std::wstring systemName;
  if (const PlatformError e = systemObjectName(ObjectKind::Section, name, systemName);
      e != PlatformError::Success)
    return {e, SharedSection(), false};
  const Gate gate;
  if (gate.error() != PlatformError::Success) return {gate.error(), SharedSection(), false};
  const HANDLE section =
      OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, systemName.c_str());
  if (section == nullptr) {
    const DWORD code = GetLastError();
    // A name of another type's object, or none: no section of ours.
    return {code == ERROR_INVALID_HANDLE ? PlatformError::FileNotFound : errorFromCode(code),
            SharedSection(), false};
  }
  return adopt(PlatformError::Success, numberOf(section), true);
}

SectionOpenResult SharedSection::duplicate(const OtherProcess& owner, int32_t handle) {
  if (!owner.isOpen() || handle < 0 || owner.hasEnded())
    return {PlatformError::InvalidHandle, SharedSection(), false};
  HANDLE mine = nullptr;
  if (!DuplicateHandle(handleOf(owner.handle_), handleOf(handle), GetCurrentProcess(), &mine, 0,
                       FALSE, DUPLICATE_SAME_ACCESS)) {
    const PlatformError error = lastSystemError();
    return {owner.hasEnded() ? PlatformError::InvalidHandle : error, SharedSection(), false};
  }
  SectionOpenResult result = adopt(PlatformError::Success, numberOf(mine), true);
  // Any other object, or a section without read/write access, is not one of our sections.
  if (result.error == PlatformError::InvalidHandle) result.error = PlatformError::AccessDenied;
  return result;
}

SectionMapResult SharedSection::map(size_t offset, size_t length) const {
  if (handle_ < 0) return {PlatformError::InvalidHandle, SectionView()};
  if (offset >= size_ || length > size_ - offset)
    return {PlatformError::InvalidParameter, SectionView()};
  if (length == 0) length = size_ - offset;
  // Views start at multiples of the allocation granularity.
  const uint64_t at = uint64_t{offset} + sizeof(SectionHeader);
  const uint64_t base = at - at % granularity();
  const size_t slack = static_cast<size_t>(at - base);
  if (length > SIZE_MAX - slack) return {PlatformError::NotEnoughMemory, SectionView()};
  // A handle of the view's own keeps the name: Wine lets a name go with the last handle even
  // while views of the section remain.
  HANDLE reference = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handleOf(handle_), GetCurrentProcess(), &reference, 0,
                       FALSE, DUPLICATE_SAME_ACCESS))
    return {lastSystemError(), SectionView()};
  void* mapped =
      MapViewOfFile(handleOf(handle_), FILE_MAP_READ | FILE_MAP_WRITE,
                    static_cast<DWORD>(base >> 32), static_cast<DWORD>(base), length + slack);
  if (mapped == nullptr) {
    const PlatformError error = lastSystemError();
    CloseHandle(reference);
    return {error, SectionView()};
  }
  SectionView view;
  view.data_ = static_cast<char*>(mapped) + slack;
  view.size_ = length;
  view.reference_ = numberOf(reference);
  return {PlatformError::Success, std::move(view)};
}

void SharedSection::close() {
  if (handle_ >= 0) CloseHandle(handleOf(handle_));
  handle_ = -1;
  size_ = 0;
}

}  // namespace tz::platform

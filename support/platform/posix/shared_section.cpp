// A section is a tmpfs file of the named-object namespace: the section's bytes, then a trailer
// that records their number. Each view carries its own reference so that it outlives the
// section object.
#define _FILE_OFFSET_BITS 64  // offsets past 2 GiB must reach mmap intact

#include "support/platform/shared_section.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "support/platform/other_process.h"
#include "support/platform/posix/named_object_path.h"

namespace tz::platform {
namespace {

using posix::ObjectHandle;
using posix::ObjectKind;

// Why a recorded size: touching a mapped page that the file no longer has is a SIGBUS, so a
// peer that shrank the file (ftruncate) would kill a process that mapped the size it read at
// open. tmpfs files cannot be sealed against shrinking (only memfds can, and they have no
// name), and extended attributes are not on every tmpfs; so the creator records the size in
// the file itself, after the bytes any view reaches, and open, join and map refuse a file whose
// size is no longer the recorded one. Map checks just before it maps, so a view never reaches
// past the file's end. What stays possible: a process of the user that shrinks the file after
// a view was mapped faults whoever touches the lost pages, as it could write anything into the
// memory they share. Our own code never shrinks a file that has a holder.
struct SectionTrailer {
  uint32_t magic;
  uint32_t version;
  uint64_t bytes;  // the section's size; the file is this and the trailer
};
static_assert(sizeof(SectionTrailer) == 16);
static_assert(offsetof(SectionTrailer, version) == 4);
static_assert(offsetof(SectionTrailer, bytes) == 8);

constexpr uint32_t Magic = 0x63537A54;  // "TzSc"
constexpr uint32_t Version = 1;

size_t pageSize() {
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The section's size when the file still has the size its trailer records, else 0.
size_t recordedSize(int fd) {
  struct stat st;
  SectionTrailer trailer;
  if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(sizeof trailer)) return 0;
  const off_t at = st.st_size - static_cast<off_t>(sizeof trailer);
  if (pread(fd, &trailer, sizeof trailer, at) != static_cast<ssize_t>(sizeof trailer)) return 0;
  if (trailer.magic != Magic || trailer.version != Version) return 0;
  if (trailer.bytes != static_cast<uint64_t>(at) || trailer.bytes > SIZE_MAX - sizeof trailer)
    return 0;
  return static_cast<size_t>(trailer.bytes);
}

}  // namespace

void SectionView::unmap() {
  if (data_ == nullptr) return;
  const size_t slack = reinterpret_cast<uintptr_t>(data_) % pageSize();
  munmap(static_cast<char*>(data_) - slack, size_ + slack);
  posix::closeObject(reference_);
  data_ = nullptr;
  size_ = 0;
  reference_ = -1;
}

SectionOpenResult SharedSection::adopt(PlatformError error, int32_t handle, bool existed) {
  SectionOpenResult result{error, SharedSection(), existed};
  if (error != PlatformError::Success) return result;
  const size_t size = recordedSize(handle);
  if (size == 0) {
    posix::closeObject(handle);
    result.error = PlatformError::InvalidData;
    return result;
  }
  result.section.handle_ = handle;
  result.section.size_ = size;
  return result;
}

SectionOpenResult SharedSection::create(std::string_view name, size_t bytes) {
  if (bytes == 0) return {PlatformError::InvalidParameter, SharedSection(), false};
  if (bytes > SIZE_MAX - sizeof(SectionTrailer))
    return {PlatformError::NotEnoughMemory, SharedSection(), false};
  const SectionTrailer trailer{Magic, Version, bytes};
  const ObjectHandle object = posix::createObject(ObjectKind::Section, name, bytes + sizeof trailer,
                                                  &trailer, sizeof trailer, bytes);
  return adopt(object.error, object.fd, object.existed);
}

SectionOpenResult SharedSection::open(std::string_view name) {
  const ObjectHandle object = posix::openObject(ObjectKind::Section, name);
  return adopt(object.error, object.fd, object.existed);
}

SectionOpenResult SharedSection::duplicate(const OtherProcess& owner, int32_t handle) {
  if (!owner.isOpen() || handle < 0) return {PlatformError::InvalidHandle, SharedSection(), false};
  const long fd = syscall(SYS_pidfd_getfd, owner.handle_, handle, 0);
  if (fd < 0) {
    // ESRCH: the owner has ended.
    const PlatformError error =
        errno == ESRCH ? PlatformError::InvalidHandle : errorFromErrno(errno);
    return {error, SharedSection(), false};
  }
  const ObjectHandle own = posix::takeForeignObject(ObjectKind::Section, static_cast<int>(fd));
  return adopt(own.error, own.fd, true);
}

SectionMapResult SharedSection::map(size_t offset, size_t length) const {
  if (handle_ < 0) return {PlatformError::InvalidHandle, SectionView()};
  if (offset >= size_ || length > size_ - offset)
    return {PlatformError::InvalidParameter, SectionView()};
  if (length == 0) length = size_ - offset;
  if (recordedSize(handle_) != size_) return {PlatformError::InvalidData, SectionView()};
  const size_t slack = offset % pageSize();
  const ObjectHandle reference = posix::addObjectReference(handle_);
  if (reference.error != PlatformError::Success) return {reference.error, SectionView()};
  void* base = mmap(nullptr, length + slack, PROT_READ | PROT_WRITE, MAP_SHARED, handle_,
                    static_cast<off_t>(offset - slack));
  if (base == MAP_FAILED) {
    const PlatformError error = errorFromErrno(errno);
    posix::closeObject(reference.fd);
    return {error, SectionView()};
  }
  SectionView view;
  view.data_ = static_cast<char*>(base) + slack;
  view.size_ = length;
  view.reference_ = reference.fd;
  return {PlatformError::Success, std::move(view)};
}

void SharedSection::close() {
  posix::closeObject(handle_);
  handle_ = -1;
  size_ = 0;
}

}  // namespace tz::platform

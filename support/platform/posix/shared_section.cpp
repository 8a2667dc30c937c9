// A section is a tmpfs file of the named-object namespace; its size is the file's size,
// and each view carries its own reference so that it outlives the section object.
#define _FILE_OFFSET_BITS 64  // offsets past 2 GiB must reach mmap intact

#include "support/platform/shared_section.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "support/platform/posix/named_object_path.h"

namespace tz::platform {
namespace {

using posix::ObjectHandle;
using posix::ObjectKind;

size_t pageSize() {
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

SectionView::SectionView(SectionView&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      reference_(std::exchange(other.reference_, -1)) {}

SectionView& SectionView::operator=(SectionView&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    reference_ = std::exchange(other.reference_, -1);
  }
  return *this;
}

void SectionView::unmap() {
  if (data_ == nullptr) return;
  const size_t slack = reinterpret_cast<uintptr_t>(data_) % pageSize();
  munmap(static_cast<char*>(data_) - slack, size_ + slack);
  posix::closeObject(reference_);
  data_ = nullptr;
  size_ = 0;
  reference_ = -1;
}

SharedSection::SharedSection(SharedSection&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(std::exchange(other.size_, 0)) {}

SharedSection& SharedSection::operator=(SharedSection&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, -1);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

SectionOpenResult SharedSection::adopt(PlatformError error, int32_t handle, bool existed) {
  SectionOpenResult result{error, SharedSection(), existed};
  if (error != PlatformError::Success) return result;
  struct stat st;
  if (fstat(handle, &st) != 0 || st.st_size <= 0) {
    posix::closeObject(handle);
    result.error = PlatformError::InvalidData;
    return result;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  result.section.handle_ = handle;
  result.section.size_ = size > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(size);
  return result;
}

SectionOpenResult SharedSection::create(std::string_view name, size_t bytes) {
  if (bytes == 0) return {PlatformError::InvalidParameter, SharedSection(), false};
  const ObjectHandle object = posix::createObject(ObjectKind::Section, name, bytes);
  return adopt(object.error, object.fd, object.existed);
}

SectionOpenResult SharedSection::open(std::string_view name) {
  const ObjectHandle object = posix::openObject(ObjectKind::Section, name);
  return adopt(object.error, object.fd, object.existed);
}

SectionMapResult SharedSection::map(size_t offset, size_t length) const {
  if (handle_ < 0) return {PlatformError::InvalidHandle, SectionView()};
  if (offset >= size_ || length > size_ - offset)
    return {PlatformError::InvalidParameter, SectionView()};
  if (length == 0) length = size_ - offset;
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

// Named shared memory between processes: a section created or opened by name, and
// read/write views of it. A name lives while some live process holds a section or view of
// it; objects left by a crashed process count as gone. Not for the audio path: create,
// open, map and close allocate and lock; the mapped memory itself is plain memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

// A mapped range of a section. It stays valid, and keeps the section's name alive, until
// it is unmapped, whether or not the section it came from is still open.
class SectionView {
 public:
  SectionView() = default;
  SectionView(SectionView&& other) noexcept;
  SectionView& operator=(SectionView&& other) noexcept;
  ~SectionView() { unmap(); }

  void* data() const { return data_; }  // null when nothing is mapped
  size_t size() const { return size_; }
  void unmap();

 private:
  friend class SharedSection;
  void* data_ = nullptr;
  size_t size_ = 0;
  int32_t reference_ = -1;
};

struct SectionOpenResult;
struct SectionMapResult;
class OtherProcess;

class SharedSection {
 public:
  SharedSection() = default;
  SharedSection(SharedSection&& other) noexcept;
  SharedSection& operator=(SharedSection&& other) noexcept;
  ~SharedSection() { close(); }

  // Starts a section of `bytes` bytes, all zero, its storage reserved; or, when a live
  // process holds one of this name, joins that one with the size its creator gave it
  // (`existed` set). InvalidParameter for 0 bytes; InvalidName for an empty name or one too
  // long (name and TZ_OBJECT_NAMESPACE share about 240 bytes, and bytes other than letters,
  // digits, '.', '_' and '-' count three); NotEnoughMemory when storage cannot be reserved;
  // AccessDenied when the per-user namespace is not private or the name is taken by a link
  // (symbolic or hard); InvalidData when the section joined is no longer the size its creator
  // gave it (another process shrank or damaged it).
  static SectionOpenResult create(std::string_view name, size_t bytes);
  // FileNotFound when no live process holds a section of this name; InvalidData as for create.
  static SectionOpenResult open(std::string_view name);

  // The section that `handle` opens in `owner`, as a section of this process with its own
  // handle (the owner's stays as it is), with the size its creator gave it. InvalidHandle when
  // the owner has no such handle or has ended, AccessDenied when the handle is not one of this
  // user's sections held as our handles hold them (a socket, a pipe, any other file, a
  // section's file opened some other way) or the system denies access to the owner,
  // InvalidData as for open. Nothing is left open on failure.
  static SectionOpenResult duplicate(const OtherProcess& owner, int32_t handle);

  bool isOpen() const { return handle_ >= 0; }
  size_t size() const { return size_; }  // 0 when not open
  // The handle's number in this process, -1 when not open; records that show it, and another
  // process that duplicates it, name the section by it.
  int32_t handle() const { return handle_; }

  // Maps [offset, offset + length) read/write; length 0 maps up to the end. Any offset may
  // be given; page alignment is handled inside. InvalidParameter when the range does not
  // lie inside the section (the section stays usable), InvalidHandle when it is not open,
  // InvalidData when another process has changed the section's size since it was opened.
  // A process that shrinks a section after a view was mapped still faults whoever touches
  // the lost part of that view: only processes of the same user can, and ours never do.
  SectionMapResult map(size_t offset, size_t length) const;

  // Views already mapped stay valid.
  void close();

 private:
  static SectionOpenResult adopt(PlatformError error, int32_t handle, bool existed);
  int32_t handle_ = -1;
  size_t size_ = 0;
};

struct SectionOpenResult {
  PlatformError error;
  SharedSection section;
  bool existed;  // create joined a section that a live process already held
};

struct SectionMapResult {
  PlatformError error;
  SectionView view;
};

}  // namespace tz::platform

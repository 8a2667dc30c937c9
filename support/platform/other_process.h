// Another process of this user, held open by identity so that its memory can be read and
// written and its section handles taken over. Every call is one or a few system calls: not for
// the audio path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct OtherProcessResult;

// Holds the process itself, not its id: once it has ended every call fails, even when a new
// process has taken the id. Reading and writing need the right to debug the process (a child
// always; others as the system's ptrace policy allows, else AccessDenied).
class OtherProcess {
 public:
  OtherProcess() = default;
  OtherProcess(OtherProcess&& other) noexcept;
  OtherProcess& operator=(OtherProcess&& other) noexcept;
  ~OtherProcess() { close(); }

  // InvalidParameter for id 0, an id no process has (or had: an ended, reaped one) and ids
  // beyond the system's range.
  static OtherProcessResult open(uint32_t id);

  bool isOpen() const { return handle_ >= 0; }
  uint32_t id() const { return id_; }
  // True once the process has ended, whether or not its parent has reaped it yet.
  bool hasEnded() const;

  // Copies `bytes` from the process's `address` into `into`, all or nothing: PartialCopy when
  // part of the range is not mapped readable there (`into` may then hold part of it),
  // InvalidHandle when the process has ended before the copy was complete.
  PlatformError read(uint64_t address, void* into, size_t bytes) const;
  // Copies `bytes` from `from` to the process's `address`: PartialCopy when part of the range is
  // not mapped writable there (the part before it is written), InvalidHandle when the process
  // has ended (nothing written). The system call names the process by id, checked against the
  // held process just before: it could meet another one only if within that call the owner
  // ended, was reaped and its id came round again (ids are handed out in turn).
  PlatformError write(uint64_t address, const void* from, size_t bytes) const;

  void close();

 private:
  friend class SharedSection;  // takes over the process's section handles
  int32_t handle_ = -1;
  uint32_t id_ = 0;
};

struct OtherProcessResult {
  PlatformError error;
  OtherProcess process;
};

}  // namespace tz::platform

// The memory token: a piece of some process's memory (a private range or a shared section) as
// it travels between processes, and the exported class that makes it usable here, directly, as
// a view of the section or as a copy that is written back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/export.h"
#include "tz/win_types.h"

namespace tz::core {
struct MemoryTokenHolding;  // what a mapping owns besides its record
}  // namespace tz::core

// Ten 32-bit words. Every word comes from another process and is checked before use.
struct _tzmemorytoken {
  DWORD hSection;     // the section's handle in the owner's process (section tokens)
  DWORD reserved1;    // not read
  DWORD pBase;        // the memory's base address in the owner's process (private tokens)
  DWORD reserved3;    // not read
  DWORD cbData;       // the data's size in bytes
  DWORD reserved5;    // not read
  DWORD cbOffset;     // the data's offset from the base, or from the section's start
  DWORD reserved7;    // not read
  DWORD bSection;     // non-zero: a shared section; zero: private memory
  DWORD dwProcessId;  // the owner's process id
};
static_assert(sizeof(_tzmemorytoken) == 40 && alignof(_tzmemorytoken) == 4);
static_assert(offsetof(_tzmemorytoken, hSection) == 0 && offsetof(_tzmemorytoken, pBase) == 8);
static_assert(offsetof(_tzmemorytoken, cbData) == 16 && offsetof(_tzmemorytoken, cbOffset) == 24);
static_assert(offsetof(_tzmemorytoken, bSection) == 32 &&
              offsetof(_tzmemorytoken, dwProcessId) == 36);

// A token made usable in this process, chosen by the token:
// - this process's own memory: the address is base + offset, nothing is owned;
// - private memory of another process: a private copy of the data, read at construction and
//   written back by Dispose, but only the bytes that differ from what was read, so changes the
//   owner made meanwhile to other bytes survive (and a copy left unchanged writes nothing);
// - a section of another process: the section mapped from its start through offset + size,
//   the address pointing at the offset.
// Another process must be one this process may debug (a child always; others as the system's
// ptrace policy allows), and for a section the handle must be one of this user's named
// sections held by the owner, never any other file. A token is invalid when its size is 0 or
// at least 2^31, its process id is 0 or at least 2^31, its range passes the end of a 32-bit
// address space or of the section, or its owner cannot be reached; an invalid object reports
// E_FAIL (0x80004005), a null address and a size of -1.
//
// One thread uses an object. Not for the audio path: construction and Dispose make system
// calls and allocate.
class TZ_VISIBLE CMappingOfTzMemoryToken {
 public:
  // `flags` asks for the copy to be filled (4) and written back (2); both always happen.
  TZ_MEMBER CMappingOfTzMemoryToken(const _tzmemorytoken& token, unsigned long flags);
  // Copy and assignment move: the target (after assignment has disposed of its own memory)
  // takes the source's record and whatever it owns, and the source is left invalid, so a view
  // or copy never has two owners. Assigning an object to itself changes nothing.
  TZ_MEMBER CMappingOfTzMemoryToken(const CMappingOfTzMemoryToken& other);
  TZ_MEMBER CMappingOfTzMemoryToken& operator=(const CMappingOfTzMemoryToken& other);
  TZ_MEMBER ~CMappingOfTzMemoryToken();

  // Releases the view or the copy, writing the copy's changed bytes back to the owner first;
  // the address becomes null. A failed write back is not reported. A second call releases
  // nothing more.
  TZ_MEMBER void Dispose();
  TZ_MEMBER void Close();  // Dispose

  // S_OK with the address (null after Dispose), or E_FAIL with null when the object is
  // invalid; E_POINTER for a null `address`.
  TZ_MEMBER long GetPointer(void** address) const;
  TZ_MEMBER void* Pointer() const;  // the address, or null
  TZ_MEMBER long DataSize() const;  // the token's size, or -1 when invalid

 protected:
  // The record as the original lays it out; callers place the object themselves.
  // Every object starts invalid, owning nothing.
  _tzmemorytoken token_;                          // the token as given
  void* address_ = nullptr;                       // the data in this process, or null
  int32_t section_ = -1;                          // this process's handle of a mapped section
  BYTE mapped_ = 0;                               // the address is a view of the section
  BYTE copied_ = 0;                               // the address is a private copy
  BYTE invalid_ = 1;                              // the token could not be used
  BYTE writeBack_ = 0;                            // Dispose writes the copy's changes back
  tz::core::MemoryTokenHolding* held_ = nullptr;  // the view or copy and the owner's process
};

static_assert(sizeof(CMappingOfTzMemoryToken) == 56 && alignof(CMappingOfTzMemoryToken) == 4);

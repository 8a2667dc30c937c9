// The per-user namespace of named kernel objects: each object is a file in a 0700
// directory on tmpfs, and every open handle holds a shared flock on it, so the kernel
// itself knows which objects still have a live holder after a process dies.
//
// The directory is $XDG_RUNTIME_DIR/tz-objects when the runtime folder is usable (an absolute
// path to a directory of the user's, 0700), else /dev/shm/tz-<euid>. It is looked up once per
// process, at its first use: the processes of a session must run as the same user with the
// same environment to meet. When the chosen directory is not the user's own (another user's,
// a link, open to others) every create and open is AccessDenied, and the first says so on
// stderr, naming the directory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "support/platform/object_name.h"
#include "support/platform/platform_error.h"

namespace tz::platform::posix {

using platform::ObjectKind;

// <directory>/<objectName>. InvalidName as objectName says.
PlatformError objectPath(ObjectKind kind, std::string_view name, std::string& path);

struct ObjectHandle {
  PlatformError error;
  int fd;  // read/write, holding a shared flock; -1 on failure
  bool existed;
};

// Joins the object if a live holder has it open; otherwise starts it afresh: `bytes`
// long, zero-filled (storage reserved up front), with `initial` copied to offset
// `initialAt`. The first create of a process also sweeps the directory: the objects of every
// namespace none of whose objects has a live holder are removed (a bounded number of entries
// per sweep).
ObjectHandle createObject(ObjectKind kind, std::string_view name, size_t bytes,
                          const void* initial = nullptr, size_t initialBytes = 0,
                          size_t initialAt = 0);

// Opens the object if a live holder has it open; FileNotFound otherwise. Create and open
// refuse (AccessDenied), and never change, a file that is not the user's, not a regular file
// or has a second name (a hard link).
ObjectHandle openObject(ObjectKind kind, std::string_view name);

// Another reference to an open object, with its own lock, which keeps the name alive
// until it too is closed.
ObjectHandle addObjectReference(int fd);

// Takes over `fd`, a descriptor duplicated from another process, when it is a handle of ours:
// an object of `kind` in the user's directory (any namespace) whose open file holds the shared
// lock that every handle holds. Returns a reference of our own (as addObjectReference), or
// AccessDenied for anything else (a socket, a pipe, another file, an object's file opened
// without the lock). Closes `fd` in every case, plainly: it shares its lock with the other
// process's handle, which closeObject's lock test would take from it.
ObjectHandle takeForeignObject(ObjectKind kind, int fd);

// Drops a reference; the last one removes the name. Never fails: a name that cannot be
// removed is left to the next create or open, which treats it as gone.
void closeObject(int fd);

}  // namespace tz::platform::posix

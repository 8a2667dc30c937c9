// The error numbers that platform services report, with the values of the original
// platform's system error codes, so that code above the layer can map them as it documents.
#pragma once

#include <cstdint>

namespace tz::platform {

enum class PlatformError : uint32_t {
  Success = 0,
  FileNotFound = 2,
  PathNotFound = 3,
  TooManyOpenFiles = 4,
  AccessDenied = 5,
  InvalidHandle = 6,
  NotEnoughMemory = 8,
  BadFormat = 11,
  InvalidData = 13,
  OutOfMemory = 14,
  SharingViolation = 32,  // another opener holds the file exclusively
  NotSupported = 50,
  FileExists = 80,
  InvalidParameter = 87,
  DiskFull = 112,
  InsufficientBuffer = 122,
  InvalidName = 123,
  ModuleNotFound = 126,
  ProcedureNotFound = 127,
  Busy = 170,  // the device takes nothing more without waiting
  BadExeFormat = 193,
  AlreadyExists = 183,
  MoreData = 234,
  PartialCopy = 299,  // only part of another process's memory range could be read or written
  NoMoreItems = 259,
  BadDatabase = 1009,  // a damaged registry file
  KeyDeleted = 1018,
  DllNotFound = 1157,
  Timeout = 1460,
  ResourceTypeNotFound = 1813,  // a module file without a version
};

constexpr bool succeeded(PlatformError e) {
  return e == PlatformError::Success;
}

// Maps an errno value from a failed system call.
PlatformError errorFromErrno(int error);

}  // namespace tz::platform

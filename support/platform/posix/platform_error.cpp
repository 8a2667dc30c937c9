#include "support/platform/platform_error.h"

#include <errno.h>

namespace tz::platform {

PlatformError errorFromErrno(int error) {
  switch (error) {
    case 0:
      return PlatformError::Success;
    case ENOENT:
      return PlatformError::FileNotFound;
    case ENOTDIR:
      return PlatformError::PathNotFound;
    case EMFILE:
    case ENFILE:
      return PlatformError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
      return PlatformError::AccessDenied;
    case EBADF:
      return PlatformError::InvalidHandle;
    case ENOMEM:
      return PlatformError::NotEnoughMemory;
    case ENOEXEC:
      return PlatformError::BadExeFormat;
    case EEXIST:
      return PlatformError::AlreadyExists;
    case EINVAL:
      return PlatformError::InvalidParameter;
    case ENAMETOOLONG:
      return PlatformError::InvalidName;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return PlatformError::DiskFull;
    case ETIMEDOUT:
      return PlatformError::Timeout;
    case ENOSYS:
    case EOPNOTSUPP:
      return PlatformError::NotSupported;
    default:
      return PlatformError::InvalidParameter;
  }
}

}  // namespace tz::platform

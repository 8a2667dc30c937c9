// Exclusive use is an advisory lock (flock) taken without waiting: every opener through this
// layer asks for it, so a second one fails, as an unshared open does on the original platform.
// O_NONBLOCK throughout: the open does not wait for carrier or a reader, and a write takes
// what the device's buffer holds and no more.
#include "support/platform/device_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "support/platform/device_file_internal.h"
#include "support/platform/posix/serial_port_path.h"

namespace tz::platform {
namespace {

PlatformError openError(int error) {
  switch (error) {
    case EISDIR:
      return PlatformError::AccessDenied;
    case ENXIO:  // a device that is not there, a pipe without a reader
    case ENODEV:
      return PlatformError::FileNotFound;
    default:
      return errorFromErrno(error);
  }
}

bool baudConstant(uint32_t rate, speed_t& speed) {
  static constexpr struct {
    uint32_t rate;
    speed_t speed;
  } kRates[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                {9600, B9600},   {19200, B19200},   {38400, B38400},
                {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (const auto& entry : kRates) {
    if (entry.rate != rate) continue;
    speed = entry.speed;
    return true;
  }
  return false;
}

}  // namespace

DeviceFileResult DeviceFile::open(std::string_view path) {
  DeviceFileResult result{PlatformError::Success, {}};
  const int fd = ::open(serialPortPath(path).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    result.error = openError(errno);
    return result;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    result.error = errno == EWOULDBLOCK ? PlatformError::SharingViolation : errorFromErrno(errno);
    ::close(fd);
    return result;
  }
  result.file.handle_ = fd;
  return result;
}

PlatformError DeviceFile::write(std::string_view bytes) {
  if (handle_ < 0) return PlatformError::InvalidHandle;
  while (!bytes.empty()) {
    const ssize_t written = ::write(handle_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written == 0 || (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
      return PlatformError::Busy;
    if (written < 0) return errorFromErrno(errno);
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return PlatformError::Success;
}

PlatformError DeviceFile::setSerialLine(uint32_t baudRate) {
  if (handle_ < 0) return PlatformError::InvalidHandle;
  speed_t speed;
  termios line;
  if (!baudConstant(baudRate, speed) || tcgetattr(handle_, &line) != 0)
    return PlatformError::NotSupported;
  // Raw: a port on the original platform sends bytes untouched, with no "\n" to "\r\n".
  cfmakeraw(&line);
  line.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  if (cfsetspeed(&line, speed) != 0 || tcsetattr(handle_, TCSANOW, &line) != 0)
    return errorFromErrno(errno);
  return PlatformError::Success;
}

PlatformError DeviceFile::deviceControl(uint32_t code, std::string_view input) {
  if (handle_ < 0) return PlatformError::InvalidHandle;
  // The request's own bits say which way data flows and how much the driver reads.
  const uint32_t size = _IOC_SIZE(code);
  if (_IOC_DIR(code) != _IOC_WRITE || size == 0 || size > input.size())
    return PlatformError::AccessDenied;
  if (PlatformError answer; capturedDeviceControl(code, input, answer)) return answer;
  if (ioctl(handle_, code, input.data()) != 0)
    return errno == ENOTTY ? PlatformError::NotSupported : errorFromErrno(errno);
  return PlatformError::Success;
}

void DeviceFile::close() {
  if (handle_ >= 0) ::close(std::exchange(handle_, -1));
}

uint32_t deviceWriteRequest(uint32_t type, uint32_t number, uint32_t size) {
  if (size >= (1u << _IOC_SIZEBITS)) return 0;
  return _IOC(_IOC_WRITE, type & 0xFF, number & 0xFF, size);
}

}  // namespace tz::platform

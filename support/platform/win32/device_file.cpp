// COM1..COM9 and AUX open the system's ports by their device names ("\\.\COMn"; AUX is the
// first port); other paths are opened as given. Without sharing is share mode 0: a second
// opener, in any process, fails with SharingViolation.
//
// Writes never wait. A serial port gets a write time-out of 1 ms, the shortest there is (none
// at all would mean "wait as long as it takes"): a write returns with what the port's buffer
// took, and the rest is reported as Busy. A pipe is switched to not waiting. A file on a disk is
// written at its end, which only this handle writes to.
#include "support/platform/device_file.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <winioctl.h>

#include <string>
#include <utility>

#include "support/platform/device_file_internal.h"
#include "support/platform/win32/system_error.h"
#include "support/platform/win32/wide_text.h"

namespace tz::platform {
namespace {

HANDLE handleOf(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

bool isStandardRate(uint32_t rate) {
  for (const uint32_t standard : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400})
    if (rate == standard) return true;
  return false;
}

// Makes the device give up on a write rather than wait; false when it cannot.
bool stopWaiting(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
      return SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER ||
             GetLastError() == NO_ERROR;
    case FILE_TYPE_PIPE: {
      DWORD mode = PIPE_NOWAIT;
      return SetNamedPipeHandleState(file, &mode, nullptr, nullptr) != 0;
    }
    case FILE_TYPE_CHAR: {
      DCB line{};
      line.DCBlength = sizeof line;
      if (!GetCommState(file, &line)) return true;  // a character device that is no port
      COMMTIMEOUTS timeouts{};
      timeouts.ReadIntervalTimeout =
          MAXDWORD;  // reads, which this layer never does, return at once
      timeouts.WriteTotalTimeoutConstant = 1;
      return SetCommTimeouts(file, &timeouts) != 0;
    }
    default:
      return true;
  }
}

}  // namespace

DeviceFileResult DeviceFile::open(std::string_view path) {
  DeviceFileResult result{PlatformError::Success, {}};
  const int port = serialPortNumber(path);
  std::wstring name;
  if (port >= 0)
    name = L"\\\\.\\COM" + std::to_wstring(port == 0 ? 1 : port);
  else if (!wideFromUtf8(path, name)) {
    result.error = PlatformError::InvalidName;
    return result;
  }
  // A port must exist; a file is created when missing and keeps what it holds.
  const DWORD access = port >= 0 ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  const HANDLE file =
      CreateFileW(name.c_str(), access, 0, nullptr, port >= 0 ? OPEN_EXISTING : OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    result.error = lastSystemError();
    return result;
  }
  result.file.handle_ = reinterpret_cast<intptr_t>(file);
  if (!stopWaiting(file)) {
    result.error = lastSystemError();
    result.file.close();
  }
  return result;
}

PlatformError DeviceFile::write(std::string_view bytes) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  if (bytes.empty()) return PlatformError::Success;
  // One call: a short write is a port whose time-out ran out or a pipe that is full, and a
  // second call would wait on it again.
  DWORD written = 0;
  if (!WriteFile(handleOf(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                 nullptr))
    return lastSystemError();
  return written < bytes.size() ? PlatformError::Busy : PlatformError::Success;
}

PlatformError DeviceFile::setSerialLine(uint32_t baudRate) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  DCB line{};
  line.DCBlength = sizeof line;
  if (!isStandardRate(baudRate) || !GetCommState(handleOf(handle_), &line))
    return PlatformError::NotSupported;
  // Raw: binary, no parity check, no flow control by either side, no characters replaced.
  line.BaudRate = baudRate;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDtrControl = DTR_CONTROL_ENABLE;
  line.fDsrSensitivity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fRtsControl = RTS_CONTROL_ENABLE;
  line.fAbortOnError = FALSE;
  return SetCommState(handleOf(handle_), &line) ? PlatformError::Success : lastSystemError();
}

PlatformError DeviceFile::deviceControl(uint32_t code, std::string_view input) {
  if (!isOpen()) return PlatformError::InvalidHandle;
  // The code's own bits say what the request does with its data: only one that needs write
  // access and whose input the system copies (so the device never touches our memory) goes.
  const uint32_t method = code & 3, access = (code >> 14) & 3;
  if (method != METHOD_BUFFERED || access != FILE_WRITE_ACCESS || input.empty())
    return PlatformError::AccessDenied;
  if (PlatformError answer; capturedDeviceControl(code, input, answer)) return answer;
  DWORD returned = 0;
  if (DeviceIoControl(handleOf(handle_), code, const_cast<char*>(input.data()),
                      static_cast<DWORD>(input.size()), nullptr, 0, &returned, nullptr))
    return PlatformError::Success;
  const DWORD error = GetLastError();
  return error == ERROR_INVALID_FUNCTION ? PlatformError::NotSupported : errorFromCode(error);
}

void DeviceFile::close() {
  if (isOpen()) CloseHandle(handleOf(std::exchange(handle_, -1)));
}

uint32_t deviceWriteRequest(uint32_t type, uint32_t number, uint32_t) {
  return CTL_CODE(type & 0xFFFF, number & 0xFFF, METHOD_BUFFERED, FILE_WRITE_ACCESS);
}

}  // namespace tz::platform

// A file or a device (a serial port, a terminal) that this process alone writes to: opened
// without sharing, appended to, and never waited on. Meant for diagnostic output that any
// thread may send, the audio thread included: no call blocks on a device that does not read.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

struct DeviceFileResult;

class DeviceFile {
 public:
  DeviceFile() = default;
  DeviceFile(DeviceFile&& other) noexcept;
  DeviceFile& operator=(DeviceFile&& other) noexcept;
  ~DeviceFile() { close(); }

  // Opens path (UTF-8) for writing, creating a missing file and keeping what a file holds:
  // every write lands at its end. The names COM1..COM9 and AUX (any case) name serial ports,
  // as the original platform's device names do. Nobody else may open it while it is open
  // here: SharingViolation when another opener (in any process) holds it. Never waits for a
  // device: a port without carrier or a pipe without a reader opens at once or fails.
  // FileNotFound, PathNotFound, AccessDenied as the system reports them.
  static DeviceFileResult open(std::string_view path);

  bool isOpen() const { return handle_ != -1; }

  // Writes bytes without waiting. Busy when the device took only part of them (or none)
  // because it would have had to wait: the rest is dropped. InvalidHandle when not open;
  // otherwise the system's error, some bytes perhaps written. At most a few system calls,
  // no allocation, no lock.
  PlatformError write(std::string_view bytes);

  // Sets a serial port's line to baudRate with 8 data bits, no parity and one stop bit, and
  // turns off every translation, so bytes go out as written. NotSupported when the file is
  // not a serial line or baudRate is not a standard rate; InvalidHandle when not open.
  PlatformError setSerialLine(uint32_t baudRate);

  // Issues the device-control request `code` with input as its data and no output. Only a
  // request that reads from 1 up to the input's bytes and writes nothing back is sent, since a
  // code may come from a settings file and must not make the process issue arbitrary
  // requests: AccessDenied, nothing sent, for any other. InvalidHandle when not open;
  // otherwise the device's answer (NotSupported when it knows no such request).
  PlatformError deviceControl(uint32_t code, std::string_view input);

  void close();

 private:
  intptr_t handle_ = -1;  // the system's handle or descriptor
};

struct DeviceFileResult {
  PlatformError error;
  DeviceFile file;
};

// The code of a device-control request that reads `size` bytes of input and writes nothing
// back, in the system's encoding of requests (`type` and `number` tell devices' requests
// apart); 0 when size is beyond what a request can carry. Windows codes carry no size (the
// input's length bounds what the device reads); there they say the request needs write access
// and that the system copies its input (buffered), which is what deviceControl lets through.
uint32_t deviceWriteRequest(uint32_t type, uint32_t number, uint32_t size);

// Test hook: while set, requests that pass the check go to capture instead of the device,
// which answers for it. Null restores the device.
using DeviceControlCapture = PlatformError (*)(uint32_t code, std::string_view input,
                                               void* context);
void setDeviceControlCapture(DeviceControlCapture capture, void* context);

}  // namespace tz::platform

// A pipe with a reader that never reads, by a path that DeviceFile opens: its buffer fills and
// a writer that waited would wait forever. The reader is the pipe's server end.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>

namespace tz::test {

class UnreadPipe {
 public:
  UnreadPipe() {
    std::random_device seed;
    path_ = "\\\\.\\pipe\\tz_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(seed());
    const std::wstring name(path_.begin(), path_.end());
    server_ = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0,
                               4096, 0, nullptr);
    if (server_ == INVALID_HANDLE_VALUE) abort();
  }
  UnreadPipe(const UnreadPipe&) = delete;
  UnreadPipe& operator=(const UnreadPipe&) = delete;
  ~UnreadPipe() { CloseHandle(server_); }

  std::string path() const { return path_; }

 private:
  std::string path_;
  HANDLE server_ = INVALID_HANDLE_VALUE;
};

}  // namespace tz::test

// A pseudo-terminal standing in for a serial port: code under test opens the device by its
// path, the test reads what arrived from the other side.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tests/common/eventually.h"

namespace tz::test {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) abort();
    path_ = ptsname(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  ~PseudoTerminal() { close(master_); }

  // The device path to hand to the code under test.
  const std::string& path() const { return path_; }

  // The line settings as the device's side sees them.
  termios line() const {
    termios settings{};
    const int device = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
    tcgetattr(device, &settings);
    ::close(device);
    return settings;
  }

  // What arrived, read until it holds `bytes` or the limit passes.
  std::string read(size_t bytes, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::string arrived;
    eventually(
        [&] {
          char chunk[4096];
          for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;) arrived.append(chunk, n);
          return arrived.size() >= bytes;
        },
        limit);
    return arrived;
  }

 private:
  int master_ = -1;
  std::string path_;
};

}  // namespace tz::test

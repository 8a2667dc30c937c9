// Another process's memory and the handles a memory-token peer holds besides its section, for
// the memory-token tests. Memory is read through /proc/<pid>/mem, independently of the system
// call that the library's mapping uses.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "support/platform/posix/named_object_path.h"

namespace tz::test {

// The handles (descriptors) this process has open.
inline size_t openHandleCount() {
  const std::filesystem::directory_iterator fds("/proc/self/fd");
  return static_cast<size_t>(std::distance(begin(fds), end(fds)));
}

// What is at `address` of process `pid`; empty when not all of it can be read.
inline std::vector<uint8_t> memoryOf(uint32_t pid, uint64_t address, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  const int fd = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  const ssize_t n = pread64(fd, data.data(), bytes, static_cast<off64_t>(address));
  if (fd >= 0) close(fd);
  return n == static_cast<ssize_t>(bytes) ? data : std::vector<uint8_t>{};
}

// Opens, for the life of the process, handles that are not sections: a socket, a pipe, the
// program's own file, and the file of the section named `section` again, without its lock (its
// handle in `unlocked`). False when one cannot be had.
inline bool holdOtherHandles(const char* section, int32_t& unlocked) {
  std::string sectionFile;
  platform::posix::objectPath(platform::posix::ObjectKind::Section, section, sectionFile);
  int sockets[2], pipes[2];
  unlocked = open(sectionFile.c_str(), O_RDWR);
  return socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) == 0 && pipe(pipes) == 0 &&
         open("/proc/self/exe", O_RDONLY) >= 0 && unlocked >= 0;
}

}  // namespace tz::test

// Another process's memory and handles, and the handles a memory-token peer holds besides its
// section, for the memory-token tests. Both are read in /proc, independently of the system
// calls that the library's mapping uses.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/platform/posix/named_object_path.h"
#include "tests/common/object_folder.h"

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

// Each handle (descriptor) that process `pid` holds, with its kind: "section" or "event" for the
// library's named objects, "socket", "pipe", else "file".
inline std::map<int32_t, std::string> handlesOf(uint32_t pid) {
  std::map<int32_t, std::string> handles;
  const std::string folder = objectFolder() + "/";
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    std::error_code gone;
    const std::string target = std::filesystem::read_symlink(fd, gone);
    std::string kind = "file";
    for (const char* named : {"section", "event"})
      if (target.starts_with(folder + named + "~")) kind = named;
    for (const char* unnamed : {"socket", "pipe"})
      if (target.starts_with(std::string(unnamed) + ":")) kind = unnamed;
    handles[std::stoi(fd.path().filename())] = kind;
  }
  return handles;
}

// The kinds of a peer's handles (holdOtherHandles) that no section token may map, each of
// which the peer holds: the section's file opened again without its lock is no section handle.
inline std::vector<std::string> refusedHandleKinds() {
  return {"socket", "pipe", "event", "section"};
}

}  // namespace tz::test

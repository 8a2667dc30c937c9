// Process launch with posix_spawn. The readiness channel is one end of a socket pair that the
// child gets as descriptor 3, named in TZ_READY_FD together with its inode, so that a
// descendant that inherits the variable but not the channel never writes to a stranger.
#include "support/platform/process_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace tz::platform {

namespace {

constexpr char kReadyVariable[] = "TZ_READY_FD";
constexpr int kChildReadyFd = 3;  // the first after standard input, output and error

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file a program name stands for, or empty: a name with '/' as it is, one without from PATH.
std::string findProgram(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    std::string file(name);
    return isExecutableFile(file) ? file : std::string();
  }
  const char* path = getenv("PATH");
  std::string_view directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    const size_t colon = directories.find(':');
    const std::string_view directory = directories.substr(0, colon);
    std::string file = std::string(directory.empty() ? "." : directory).append("/").append(name);
    if (isExecutableFile(file)) return file;
    if (colon == std::string_view::npos) return {};
    directories.remove_prefix(colon + 1);
  }
}

struct Program {
  std::string file;       // what is run
  std::string name;       // as written: argument 0
  std::string_view rest;  // the arguments
};

bool resolveProgram(std::string_view line, Program& program) {
  if (line[0] == '"') {
    const size_t close = line.find('"', 1);
    program.name = line.substr(1, close == std::string_view::npos ? close : close - 1);
    program.rest = close == std::string_view::npos ? std::string_view() : line.substr(close + 1);
    program.file = findProgram(program.name);
    return !program.file.empty();
  }
  for (size_t end = 1; end <= line.size(); ++end) {
    if (end < line.size() && !(isBlank(line[end]) && !isBlank(line[end - 1]))) continue;
    program.file = findProgram(line.substr(0, end));
    if (!program.file.empty()) {
      program.name = line.substr(0, end);
      program.rest = line.substr(end);
      return true;
    }
  }
  return false;
}

// The caller's environment with our channel's entry in place of any inherited one.
std::vector<char*> childEnvironment(std::string& readyEntry) {
  std::vector<char*> entries;
  const size_t nameLength = sizeof kReadyVariable - 1;
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (strncmp(*entry, kReadyVariable, nameLength) != 0 || (*entry)[nameLength] != '=')
      entries.push_back(*entry);
  entries.push_back(readyEntry.data());
  entries.push_back(nullptr);
  return entries;
}

int spawn(const Program& program, std::vector<std::string>& arguments, int childEnd, pid_t& pid) {
  struct stat channel {};
  if (fstat(childEnd, &channel) != 0) return errno;
  std::string readyEntry = std::string(kReadyVariable) + "=" + std::to_string(kChildReadyFd) + ":" +
                           std::to_string(channel.st_ino);
  std::vector<char*> environment = childEnvironment(readyEntry);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, childEnd, kChildReadyFd);
  posix_spawn_file_actions_addclosefrom_np(&actions, kChildReadyFd + 1);
  // A new process starts with no blocked signals and default handlers, not with the
  // caller's, whose audio threads may block some.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const int error = posix_spawn(&pid, program.file.c_str(), &actions, &attributes, argv.data(),
                                environment.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

}  // namespace

PlatformError launchProcess(std::string_view commandLine, Process& process) {
  while (!commandLine.empty() && isBlank(commandLine.front())) commandLine.remove_prefix(1);
  while (!commandLine.empty() && isBlank(commandLine.back())) commandLine.remove_suffix(1);
  if (commandLine.empty()) return PlatformError::InvalidParameter;
  Program program;
  if (!resolveProgram(commandLine, program)) return PlatformError::FileNotFound;
  std::vector<std::string> arguments = splitCommandLineArguments(program.rest);
  arguments.insert(arguments.begin(), program.name);

  int channel[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
    return errorFromErrno(errno);
  pid_t pid = 0;
  const int error = spawn(program, arguments, channel[1], pid);
  close(channel[1]);
  if (error != 0) {
    close(channel[0]);
    return error == ENOENT ? PlatformError::FileNotFound : errorFromErrno(error);
  }
  Process started;
  started.pid_ = pid;
  started.readyHandle_ = channel[0];
  // Opened before any reaping, so it cannot name another process; it is close-on-exec.
  started.exitHandle_ = static_cast<int32_t>(syscall(SYS_pidfd_open, pid, 0));
  process = std::move(started);
  return PlatformError::Success;
}

void signalProcessReady() {
  const char* value = getenv(kReadyVariable);
  if (value == nullptr) return;
  const char* end = value + strlen(value);
  int fd = -1;
  unsigned long long inode = 0;
  const auto fdParse = std::from_chars(value, end, fd);
  if (fdParse.ec != std::errc() || fdParse.ptr == end || *fdParse.ptr != ':') return;
  const auto inodeParse = std::from_chars(fdParse.ptr + 1, end, inode);
  if (inodeParse.ec != std::errc() || inodeParse.ptr != end || fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_ino != inode) return;
  const char ready = 1;
  send(fd, &ready, 1, MSG_NOSIGNAL);  // no SIGPIPE when the launcher has stopped listening
  close(fd);
}

}  // namespace tz::platform

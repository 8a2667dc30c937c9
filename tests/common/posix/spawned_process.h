// A program started directly with posix_spawn, for ChildProcess; the end of any process; and a
// shell command line run to its end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/scratch_folder.h"

extern char** environ;

namespace tz::test {

// True once process `pid` has ended (unreaped counts as ended), false when `timeoutMs` passes
// first. The process need not be our child: its end is watched through a process descriptor.
inline bool waitUntilEnded(pid_t pid, int timeoutMs) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return true;  // no such process any more
  pollfd p{fd, POLLIN, 0};
  const int ready = poll(&p, 1, timeoutMs);
  close(fd);
  return ready > 0;
}

// Ends process `pid`, which need not be our child, with SIGKILL.
inline void killProcess(pid_t pid) {
  ::kill(pid, SIGKILL);
}

class SpawnedProcess {
 public:
  // This test program's own file.
  static std::string ownExecutable() { return "/proc/self/exe"; }

  bool start(std::vector<std::string> argv, std::vector<std::string> env,
             const std::filesystem::path& out, const std::filesystem::path& err) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (!out.empty()) posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), flags, 0600);
    if (!err.empty()) posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), flags, 0600);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid_ > 0;
  }

  int id() const { return pid_; }

  // False when the deadline passes first; else the exit status, 128 + the signal's number when
  // a signal ended it.
  bool wait(int timeoutMs, int& status) {
    int raw = 0;
    if (!waitUntilEnded(pid_, timeoutMs) || waitpid(pid_, &raw, 0) != pid_) return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
  }

  void kill() { ::kill(pid_, SIGKILL); }

 private:
  pid_t pid_ = -1;
};

struct Outcome {
  int status = -1;  // the exit status; -1 when a signal ended the command
  std::string out, err;
};

// Runs a shell command line with its output in the files "out" and "err" of `folder`; it is
// killed after `limitSeconds`.
inline Outcome runShell(const std::filesystem::path& folder, const std::string& command,
                        int limitSeconds = 60) {
  const std::string line = "timeout -s KILL " + std::to_string(limitSeconds) + " " + command +
                           " >'" + (folder / "out").string() + "' 2>'" + (folder / "err").string() +
                           "'";
  const int status = std::system(line.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(folder / "out"),
          readFile(folder / "err")};
}

}  // namespace tz::test

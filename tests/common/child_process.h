// Programs a test runs: a child started directly, with its output in files if asked, waited
// for with a deadline and killed if it outlives its object. The system's part (starting,
// waiting, killing, the end of any process by id) is spawned_process.h of the backend folder.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "spawned_process.h"

namespace tz::test {

// The status of a child that kill9 ended: 128 + SIGKILL, as a shell reports it.
constexpr int kKilledStatus = 128 + 9;

class ChildProcess {
 public:
  // Starts argv[0] with `argv`. The NAME=VALUE entries of `env` come before the test's own
  // environment, so they win. Standard output and error go to the files named, created afresh,
  // else to the test's own.
  explicit ChildProcess(std::vector<std::string> argv, std::vector<std::string> env = {},
                        const std::filesystem::path& out = {},
                        const std::filesystem::path& err = {})
      : started_(process_.start(std::move(argv), std::move(env), out, err)) {}
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { kill9(); }

  bool started() const { return started_; }
  int pid() const { return started_ ? process_.id() : -1; }

  // Waits for the child to end: its exit status, kKilledStatus after kill9 (on POSIX, 128 +
  // the number of any signal that ended it), or -1 when the deadline passes first (or it
  // never started).
  int wait(int timeoutMs = 10000) {
    if (!started_ || exited_) return status_;
    // An exit status may itself be negative (an exception's code on Windows).
    int status = 0;
    if (!process_.wait(timeoutMs, status)) return -1;
    exited_ = true;
    status_ = status;
    return status_;
  }

  // Ends the child without waiting for it: until wait(), the system keeps its record (a zombie
  // on POSIX; on Windows the process object that our handle holds).
  void killWithoutWaiting() {
    if (started_ && !exited_) process_.kill();
  }

  void kill9() {
    if (!started_ || exited_) return;
    process_.kill();
    wait();
  }

 private:
  SpawnedProcess process_;
  bool started_;
  bool exited_ = false;
  int status_ = -1;
};

}  // namespace tz::test

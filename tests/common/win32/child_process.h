// Programs a test runs: a child started directly, with its output in files if asked, waited
// for with a deadline and ended if it outlives its object; and the test program's own path.
// Declared without windows.h (child_process.cpp has it), so that tests using the library's own
// records can include this.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/scratch_folder.h"

namespace tz::test {

// The test program's own file.
std::string programPath();

class ChildProcess {
 public:
  // Starts argv[0] with `argv`. The NAME=VALUE entries of `env` come before the test's own
  // environment and replace its entries of the same name. Standard output and error go to the
  // files named, created afresh, else to the test's own.
  explicit ChildProcess(std::vector<std::string> argv, std::vector<std::string> env = {},
                        const std::filesystem::path& out = {},
                        const std::filesystem::path& err = {});
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  bool started() const { return process_ != nullptr; }
  int pid() const { return pid_; }

  // Waits for the child to end: its exit code (an exception's code when one ended it), or -1
  // when the deadline passes first (or it never started).
  int wait(int timeoutMs = 10000);
  void kill9();

 private:
  void* process_ = nullptr;
  int pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

}  // namespace tz::test

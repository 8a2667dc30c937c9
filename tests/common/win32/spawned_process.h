// A program started directly with CreateProcessW, for ChildProcess, and the end of any process.
// Output files are handed over as inheritable handles; the child inherits those and our own
// standard handles, nothing else of ours. Declared without windows.h (spawned_process.cpp has
// it), so that tests using the library's own records of the system's types can include this.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tz::test {

// True once process `pid` has ended, false when `timeoutMs` passes first.
bool waitUntilEnded(int pid, int timeoutMs);
// Ends process `pid`, which need not be our child, as SpawnedProcess::kill does.
void killProcess(int pid);

class SpawnedProcess {
 public:
  SpawnedProcess() = default;
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;
  ~SpawnedProcess();

  // This test program's own file.
  static std::string ownExecutable();

  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::filesystem::path& out, const std::filesystem::path& err);

  int id() const { return id_; }

  // False when the deadline passes first; else the exit code, which for a process that an
  // exception ended is its code (negative as an int).
  bool wait(int timeoutMs, int& status);

  // Ends with the status a POSIX shell shows for SIGKILL.
  void kill();

 private:
  void* process_ = nullptr;  // the process's handle
  int id_ = -1;
};

}  // namespace tz::test

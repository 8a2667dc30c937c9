// Starting a program from one command line, parsed as the original platform parses it, and
// waiting until the new process says its start-up is done. Not for the audio path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/platform/platform_error.h"

namespace tz::platform {

// A started process. Destroying the handle neither waits for the process nor ends it.
// Move-only; one thread at a time.
class Process {
 public:
  static constexpr uint32_t Infinite = 0xFFFFFFFF;  // a wait that never times out
  static constexpr uint32_t StillActive = 259;      // the exit code of a process still running

  enum class Readiness { Ready, Exited, TimedOut };

  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  bool valid() const { return pid_ > 0; }
  uint32_t id() const { return static_cast<uint32_t>(pid_); }

  // Waits up to timeoutMs for the process to report readiness (signalProcessReady), to end,
  // or for the time to pass, whichever comes first. A process that closes its end of the
  // channel without reporting is waited for until it ends or the time passes. Ready is kept:
  // later calls return it at once. Exited for an invalid handle.
  Readiness waitUntilReady(uint32_t timeoutMs);

  // Waits up to timeoutMs for the process to end: Success, Timeout, or InvalidHandle.
  PlatformError wait(uint32_t timeoutMs);
  // Once wait has seen the end: the exit status, or 128 + the signal that ended the process;
  // StillActive before.
  uint32_t exitCode() const { return exitCode_; }
  // Ends the process at once (it exits as by signal 9). InvalidHandle when none is held.
  PlatformError terminate();

 private:
  friend PlatformError launchProcess(std::string_view commandLine, Process& process);
  bool collect();  // reaps the process if it has ended
  void close();

  int32_t pid_ = 0;
  int32_t exitHandle_ = -1;   // readable, or signalled, once the process has ended
  int32_t readyHandle_ = -1;  // our end of the readiness channel
  uint32_t exitCode_ = StillActive;
  bool ended_ = false;
  bool ready_ = false;
};

// Starts a program from a command line, with the caller's environment and current directory
// and none of the caller's open files but standard input, output and error.
//
// The program comes first: up to the closing quote if it starts with '"' (an unclosed quote
// runs to the end). Unquoted, each prefix that ends before a space or tab is tried from left to
// right, then the whole line: the first that names an existing executable file wins, so
// "/opt/my apps/loopra70.exe -REWIREDEVICE" tries "/opt/my", then "/opt/my apps/loopra70.exe".
// A name without '/' is looked for in the directories of PATH. The rest of the line becomes the
// arguments (splitCommandLineArguments); the program as written is argument 0.
//
// On success process holds the new process (what it held before is let go). InvalidParameter
// for an empty line; FileNotFound when no candidate names an executable file; otherwise the
// start's own failure (BadExeFormat for a file the system cannot run, NotEnoughMemory, ...).
// Where the system finds the program itself (Windows) its answers stand: a folder is
// AccessDenied, and a file named with its folder is tried as it is (BadExeFormat when it is
// no program).
PlatformError launchProcess(std::string_view commandLine, Process& process);

// The original platform's C runtime rules: arguments are separated by spaces and tabs; double
// quotes group (and inside quotes "" is one literal quote); 2n backslashes before a quote give
// n backslashes and the quote delimits; 2n+1 give n backslashes and a literal quote; other
// backslashes are literal.
std::vector<std::string> splitCommandLineArguments(std::string_view arguments);

// Called by our own programs when their start-up is done: tells a waiting launcher that the
// process is ready. Does nothing when not started by launchProcess or when called again.
void signalProcessReady();

}  // namespace tz::platform

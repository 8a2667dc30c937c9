// A peer test run under a debugger: a child that this process traces, as a debugger would.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tz::test {

// Runs the peer test "Suite.Test" traced, its output in `out`; every signal but the stop after
// the exec is passed on. Its exit status; 77 when tracing is not permitted here.
inline int runTraced(const std::string& test, const std::filesystem::path& out) {
  const std::string filter = "--gtest_filter=" + test;
  char* const argv[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(filter.c_str()),
                        nullptr};
  // The leak checker stops the world with ptrace, which a traced process cannot.
  char* const envp[] = {const_cast<char*>("TZ_TEST_PEER=1"),
                        const_cast<char*>("ASAN_OPTIONS=detect_leaks=0"), nullptr};
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(77);
    execve(argv[0], argv, envp);
    _exit(78);
  }
  int status = 0;
  bool execStop = true;
  while (waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
    const int signal = WSTOPSIG(status) == SIGTRAP && execStop ? 0 : WSTOPSIG(status);
    execStop = false;
    ptrace(PTRACE_CONT, child, nullptr, signal);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace tz::test

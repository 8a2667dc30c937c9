// What the scheduler makes of a thread's priority level.
#pragma once

#include <errno.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "tests/common/scratch_folder.h"

#include "support/platform/thread.h"

namespace tz::test {

// Reads this thread's capabilities, or with drop set, gives up CAP_SYS_NICE first.
inline bool hasNicePrivilege(bool drop = false) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  if (drop) {
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    data[0].permitted &= ~(1u << CAP_SYS_NICE);
    return syscall(SYS_capset, &header, data) == 0;
  }
  return (data[0].effective & (1u << CAP_SYS_NICE)) != 0;
}

// Every level can be taken, the raised ones included.
inline bool mayRaisePriorities() {
  return hasNicePrivilege();
}

// Time Critical is round-robin real time, Idle the idle policy, the five between nice values.
inline bool levelInEffect(uint32_t thread, platform::ThreadPriority level) {
  using P = platform::ThreadPriority;
  const int policy = sched_getscheduler(static_cast<pid_t>(thread));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, thread);
  if (errno != 0) return false;
  switch (level) {
    case P::TimeCritical:
      return policy == SCHED_RR;
    case P::Idle:
      return policy == SCHED_IDLE;
    default:
      return policy == SCHED_OTHER && nice == -5 * static_cast<int>(level);
  }
}

// Runs at a real-time priority now, its own or one lent to it: the kernel's effective
// priority of a thread of this process is negative then.
inline bool runsRealTime(uint32_t thread) {
  const std::string stat = readFile("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 18 && fields >> field; ++i) {
  }
  return std::stoi(field) < 0;
}

}  // namespace tz::test

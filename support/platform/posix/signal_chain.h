// What the fault guard and the crash guard share: one lock for changing the process's signal
// actions (so that one never puts back what the other has just replaced), and the hand-over
// of a signal to the action that was there before ours.
#pragma once

#include <signal.h>

#include <mutex>

namespace tz::platform {

// Taken to install or restore actions; never inside a signal handler.
std::mutex& signalActionLock();

// Hands the signal on as if our handler had never been installed: a handler of the previous
// action is called with the signal's own information and context; for the default action (or
// ignoring) that action is put back and the signal raised again, so that the process ends of
// the same signal as it would have.
void passToPrevious(const struct sigaction& previous, int signal, siginfo_t* info, void* context);

}  // namespace tz::platform

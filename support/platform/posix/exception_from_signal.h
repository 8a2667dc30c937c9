// A processor fault's signal as the original platform's exception record and context.
#pragma once

#include <signal.h>

#include "support/platform/thread_stack.h"
#include "tz/exception_record.h"

namespace tz::platform {

// True for a signal the thread's own instruction raised; false for one sent by kill, raise or
// a timer, which is no exception.
bool raisedByProcessor(const siginfo_t& info);

// Fills the record and the context from the signal, its information and the interrupted
// thread's machine context (a ucontext_t); stack is the thread's stack, which tells a stack
// overflow from another access violation. Safe in a signal handler.
void exceptionFromSignal(int signal, const siginfo_t& info, const void* machine,
                         const StackRegion& stack, EXCEPTION_RECORD& record, CONTEXT& context);

}  // namespace tz::platform

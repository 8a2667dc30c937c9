// What each processor fault becomes here: the kernel's signal, turned into the original
// platform's code by the crash guard; a process that nobody saves dies of the signal.
#pragma once

#include <csignal>

namespace tz::test {

inline const FaultCase kFaultCases[] = {
    {"CallNull", Fault::CallNull, 0xC0000005, 128 + SIGSEGV, 0, ".. .."},  // nothing at EIP
    {"Read", Fault::Read, 0xC0000005, 128 + SIGSEGV, 0, "8B 06"},
    {"Write", Fault::Write, 0xC0000005, 128 + SIGSEGV, 1, "C7 06 01 00 00 00"},
    {"DivideByZero", Fault::DivideByZero, 0xC0000094, 128 + SIGFPE, 0, "F7 F1"},
    {"FloatDivideByZero", Fault::FloatDivideByZero, 0xC000008E, 128 + SIGFPE, 0, "F3 0F 5E C1"},
    {"IllegalInstruction", Fault::IllegalInstruction, 0xC000001D, 128 + SIGILL, 0, "0F 0B"},
    {"Breakpoint", Fault::Breakpoint, 0x80000003, 128 + SIGTRAP, 0, "CC"},
    {"StackOverflow", Fault::StackOverflow, 0xC00000FD, 128 + SIGSEGV, 1, nullptr},
};

}  // namespace tz::test

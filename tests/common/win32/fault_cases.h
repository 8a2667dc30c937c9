// What each processor fault becomes here: the system's own exception; a process that nobody
// saves ends with the exception's code as its exit code.
#pragma once

namespace tz::test {

inline const FaultCase kFaultCases[] = {
    // A call to address 0 faults on fetching the instruction: an execute access.
    {"CallNull", Fault::CallNull, 0xC0000005, int(0xC0000005), 8, ".. .."},
    {"Read", Fault::Read, 0xC0000005, int(0xC0000005), 0, "8B 06"},
    {"Write", Fault::Write, 0xC0000005, int(0xC0000005), 1, "C7 06 01 00 00 00"},
    {"DivideByZero", Fault::DivideByZero, 0xC0000094, int(0xC0000094), 0, "F7 F1"},
    // SSE exceptions arrive as "multiple traps", whichever the cause.
    {"FloatDivideByZero", Fault::FloatDivideByZero, 0xC00002B5, int(0xC00002B5), 0, "F3 0F 5E C1"},
    {"IllegalInstruction", Fault::IllegalInstruction, 0xC000001D, int(0xC000001D), 0, "0F 0B"},
    {"Breakpoint", Fault::Breakpoint, 0x80000003, int(0x80000003), 0, "CC"},
    {"StackOverflow", Fault::StackOverflow, 0xC00000FD, int(0xC00000FD), 1, nullptr},
};

}  // namespace tz::test

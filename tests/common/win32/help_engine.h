// The program that shows context help, where the system starts one. Wine's help engine
// (winhlp32.exe) stays after a pop-up and holds the test's output open, so ctest would wait for
// it until its time-out: a test that asked for help asks the engine to quit at its end.
// Declared without windows.h (help_engine.cpp has it), so that tests using the library's own
// records of the system's types can include this.
#pragma once

namespace tz::test {

void quitHelpEngine();

}  // namespace tz::test

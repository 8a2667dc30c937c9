// Whether the tests run under Wine, whose few differences from the original platform the
// tests allow for. Declared without windows.h (wine.cpp has it), so that tests using the
// library's own records of the system's types can include this.
#pragma once

namespace tz::test {

bool runningUnderWine();

}  // namespace tz::test

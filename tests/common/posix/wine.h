// Whether the tests run under Wine, whose few differences from the original platform the
// tests allow for: never here.
#pragma once

namespace tz::test {

inline bool runningUnderWine() {
  return false;
}

}  // namespace tz::test

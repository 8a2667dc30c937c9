// Where the system a test runs on behaves unlike the original platform in ways a test must
// step around; none here.
#pragma once

namespace tz::test {

inline bool renamedOpenFilesLoseTheirVolume() {
  return false;
}

}  // namespace tz::test

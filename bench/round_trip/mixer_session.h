// One freewheeling session for the block round-trip benchmark: the mixer stand-in launches the
// host stand-in through the driver and drives it. The session leaves nothing behind, however
// it ends: the host it launched has exited (asked to, or made to) and its folder is gone.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace tz::bench {

struct SessionSetup {
  uint32_t blocks = 0;
  bool idleHost = false;  // the host's outputs render nothing (loopra70 --idle)
  bool verify = false;    // the mixer checks every sample (rwmixer --verify)
};

struct SessionOutcome {
  bool ok = false;    // the mixer and the host both ran to their end and exited cleanly
  std::string out;    // the mixer's output, the host's lines among it
  std::string error;  // why not ok
};

// Runs while the mixer drives, once the host is up; false (with the reason) fails the session.
using WhileDriving = std::function<bool(pid_t mixer, pid_t host, std::string& error)>;

// The mixer's output is written in `folder` and removed. The device must be registered in the
// registry that TZ_REGISTRY_ROOT names; the processes take the caller's environment and
// processor affinity.
SessionOutcome runSession(const std::filesystem::path& folder, const SessionSetup& setup,
                          const WhileDriving& whileDriving = {});

// A folder of the benchmark's own, removed with everything in it when this goes out of scope.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::filesystem::path path);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tz::bench

// One mixer block's round trip across the two processes, against the bare event round trip
// measured in the same run. The mixer stand-in launches the host stand-in through the driver
// and drives it as fast as it can, 10 channels of 512 frames, every output rendering; the
// mixer's drive time per block is the round trip: request, render, completion, copy.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/event_ping.h"
#include "support/platform/registry.h"

namespace {

constexpr int kEventWarmUp = 2000;
constexpr int kEventTrips = 20000;

bool mixerTimes(const std::string& out, double& p50, double& p99) {
  const size_t at = out.find("drive time served us: p50 ");
  return at != std::string::npos && out.find("verify: passed") != std::string::npos &&
         sscanf(out.c_str() + at, "drive time served us: p50 %lf, p99 %lf", &p50, &p99) == 2;
}

// Runs the session and returns the mixer's output.
std::string runSession(const std::filesystem::path& dir) {
  tz::platform::RegistryKey key;
  tz::platform::RegistryKey::create(tz::platform::RegistryRoot::LocalMachine,
                                    "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0",
                                    key);
  const std::u16string path = u"" TZ_INSTALLED_LIBRARY;
  key.setValue("Device Path", tz::platform::RegistryType::String, path.c_str(),
               static_cast<uint32_t>((path.size() + 1) * 2));
  setenv("TZ_LOOPRA70_OPTIONS", "--quiet", 1);
  // 20000 blocks are 232 s of mixer time; the host is asked to leave before the end.
  const char* args[] = {RWMIXER_PATH,  "--launch", "--wait-panel", "15",
                        "--freewheel", "--blocks", "20000",        "--quit-panel-at",
                        "230",         "--verify", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir / "mixer.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t mixer;
  if (posix_spawn(&mixer, RWMIXER_PATH, &actions, nullptr, const_cast<char**>(args), environ) != 0)
    return {};
  int status = 0;
  waitpid(mixer, &status, 0);
  std::ifstream file(dir / "mixer.out");
  return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], tz::bench::kPeerFlag) == 0)
    return tz::bench::answerPings(kEventWarmUp + kEventTrips);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tz-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  setenv("TZ_REGISTRY_ROOT", (dir / "registry").c_str(), 1);
  setenv("TZ_OBJECT_NAMESPACE", dir.filename().c_str(), 1);

  const auto events = tz::bench::pingRoundTrips(kEventWarmUp, kEventTrips);
  const std::string out = runSession(dir);
  fs::remove_all(dir);
  double blockP50 = 0, blockP99 = 0;
  if (events.empty() || !mixerTimes(out, blockP50, blockP99)) {
    fprintf(stderr, "block_round_trip: the measurement did not run\n%s", out.c_str());
    return 1;
  }
  const double eventP50 = tz::bench::percentile(events, 50);
  const double eventP99 = tz::bench::percentile(events, 99);
  printf("event round trip (us):                   p50 %7.1f  p99 %7.1f\n", eventP50, eventP99);
  printf("block round trip, 10 x 512 frames (us):  p50 %7.1f  p99 %7.1f\n", blockP50, blockP99);
  printf("block / event:                           p50 %7.2f  p99 %7.2f\n", blockP50 / eventP50,
         blockP99 / eventP99);
  return 0;
}

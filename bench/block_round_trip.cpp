// One mixer block's round trip across the two processes, against the bare event round trip
// measured in the same run. The mixer stand-in drives the device half as fast as it can (10
// channels of 512 frames); this program is the host, with the driver rendering every output.
// The mixer's drive time per block is the round trip: request, render, completion, copy.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "bench/event_ping.h"
#include "support/platform/registry.h"
#include "tz/audio_driver.h"
#include "tz/metrics.h"

namespace {

constexpr int kEventWarmUp = 2000;
constexpr int kEventTrips = 20000;

LONG TZ_CALLBACK acceptAll(IAudioDevice*, DWORD, DWORD, DWORD, void*) {
  return 0;
}

LONG TZ_CALLBACK renderRamp(IAudioOut*, DWORD code, DWORD, DWORD, void* buffer, DWORD frames,
                            DWORD, TRANSPORTINFO*) {
  if ((code & 0x7FFF) != 2) return 1;
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < 2 * frames; ++i) samples[i] = static_cast<float>(i) / (2.0f * frames);
  return static_cast<LONG>(frames);
}

// The host's side: the driver class once the mixer runs, its device open and running with
// every output rendering. Null on failure.
IAudioDevice2* startHost(void* library, IAudioClass*& driverClass, HTZMETRICS& settings) {
  const auto create = reinterpret_cast<decltype(&TzAudioDriver_CreateDriverClass)>(
      dlsym(library, "TzAudioDriver_CreateDriverClass"));
  const auto openSettings =
      reinterpret_cast<decltype(&TzMetric_Open)>(dlsym(library, "TzMetric_Open"));
  if (create == nullptr || openSettings == nullptr) return nullptr;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (create(&driverClass, 0) != S_OK) {
    if (std::chrono::steady_clock::now() > end) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  openSettings(&settings, u"Loopra", 0x07000000, nullptr);
  driverClass->Initialize(settings);
  IEnumAudioDevs* devices = nullptr;
  IAudioDevice* found = nullptr;
  if (driverClass->EnumDevices(&devices) != S_OK) return nullptr;
  devices->Next(1, &found, nullptr);
  devices->Release();
  auto* device = static_cast<IAudioDevice2*>(found);
  WAVEFORMATEX format{};
  if (device == nullptr || device->Attach() != S_OK ||
      device->Open(&format, acceptAll, 0) != S_OK)
    return nullptr;
  IEnumAudioOut* outputs = nullptr;
  device->EnumOutputs(&outputs);
  for (IAudioOut* output = nullptr; outputs->Next(1, &output, nullptr) == S_OK; output->Release()) {
    LONGLONG duration = 0;
    output->Open(&format, 0, 0, 0, &duration, renderRamp, 0);
    output->Start(0);
  }
  outputs->Release();
  return device->Start() == S_OK && device->PrepareAndRun() == S_OK ? device : nullptr;
}

bool mixerTimes(const std::string& out, double& p50, double& p99) {
  const size_t at = out.find("drive time us: p50 ");
  return at != std::string::npos &&
         sscanf(out.c_str() + at, "drive time us: p50 %lf, p99 %lf", &p50, &p99) == 2;
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
  if (events.empty()) {
    fprintf(stderr, "block_round_trip: the event peer stopped answering\n");
    return 1;
  }

  tz::platform::RegistryKey key;
  tz::platform::RegistryKey::create(tz::platform::RegistryRoot::LocalMachine,
                                    "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0", key);
  const std::u16string path = u"" TZ_LIBRARY_FILE;
  key.setValue("Device Path", tz::platform::RegistryType::String, path.c_str(),
               static_cast<uint32_t>((path.size() + 1) * 2));
  void* library = dlopen(TZ_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    fprintf(stderr, "block_round_trip: %s\n", dlerror());
    return 1;
  }
  char exe[] = RWMIXER_PATH, freewheel[] = "--freewheel", blocks[] = "--blocks", wait[] = "--wait-panel",
       ten[] = "10", count[] = "20000";
  char* args[] = {exe, freewheel, blocks, count, wait, ten, nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir / "mixer.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t mixer;
  if (posix_spawn(&mixer, exe, &actions, nullptr, args, environ) != 0) return 1;
  IAudioClass* driverClass = nullptr;
  HTZMETRICS settings = nullptr;
  IAudioDevice2* device = startHost(library, driverClass, settings);
  int status = 0;
  waitpid(mixer, &status, 0);
  std::ifstream file(dir / "mixer.out");
  const std::string out{std::istreambuf_iterator<char>(file), {}};
  double blockP50 = 0, blockP99 = 0;
  const bool measured = device != nullptr && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                        mixerTimes(out, blockP50, blockP99);
  if (device != nullptr) {
    device->Halt();
    device->Stop();
    device->Close();
    device->Detach();
    device->Release();
  }
  if (driverClass != nullptr) {
    driverClass->Terminate();
    driverClass->Release();
  }
  fs::remove_all(dir);
  if (!measured) {
    fprintf(stderr, "block_round_trip: the session did not run\n%s", out.c_str());
    return 1;
  }
  const double eventP50 = tz::bench::percentile(events, 50);
  const double eventP99 = tz::bench::percentile(events, 99);
  printf("event round trip (us):                        p50 %7.1f  p99 %7.1f\n", eventP50, eventP99);
  printf("block round trip, 10 x 512 frames (us):        p50 %7.1f  p99 %7.1f\n", blockP50, blockP99);
  printf("block / event:                                 p50 %7.2f  p99 %7.2f\n",
         blockP50 / eventP50, blockP99 / eventP99);
  return 0;
}

// rwmixer, the mixer stand-in: loads the bridge engine and a device through it, drives the
// device from an audio thread while the main thread, as the control thread, idles it, then
// writes what it served to a WAV file, draws the session and prints a summary.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "standins/rwmixer/audio_loop.h"
#include "standins/rwmixer/block_writer.h"
#include "standins/rwmixer/device_report.h"
#include "standins/rwmixer/device_session.h"
#include "standins/rwmixer/session_picture.h"
#include "standins/rwmixer/signal_check.h"
#include "standins/rwmixer/svg_writer.h"
#include "support/platform/clock.h"
#include "support/platform/thread.h"

namespace tz::mixer {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kVerifyFailed = 3;
constexpr uint32_t kIdleMs = 10;
constexpr double kQuitWaitSeconds = 3;
// Room for the device's requests and loop restarts on top of the script's actions.
constexpr size_t kUnscriptedMarks = 4096;

int fail(const std::string& message, int status = kFailed) {
  std::fprintf(stderr, "rwmixer: %s\n", message.c_str());
  return status;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

// Device names are registry key names, which ignore case.
bool sameName(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// Idles the device every kIdleMs until done() holds (true) or `seconds` pass (false).
template <typename Done>
bool idleUntil(const RWMDeviceEntryPoints& device, double seconds, Done done) {
  const int64_t deadline = tz::platform::highResNs() + static_cast<int64_t>(seconds * 1e9);
  for (;;) {
    if (done()) return true;
    if (tz::platform::highResNs() >= deadline) return false;
    device.idle();
    tz::platform::sleepMs(kIdleMs);
  }
}

bool describe(const RWMDeviceEntryPoints& device, DeviceInfo& info, std::string& error) {
  int32_t version = 0;
  char name[256] = {};  // the device writes at most 64 bytes
  device.getDeviceNameAndVersion(&version, name);
  info = DeviceInfo{};
  info.size = sizeof(DeviceInfo);
  device.getDeviceInfo(&info);
  if (info.channelCount == 0 || info.channelCount > 256) {
    error = "the device reports " + std::to_string(info.channelCount) + " channels";
    return false;
  }
  printDeviceReport(stdout, fieldText(name, 64), version, info);
  return true;
}

uint32_t runAudio(void* loop) {
  static_cast<AudioLoop*>(loop)->run();
  return 0;
}

uint32_t runWriter(void* writer) {
  static_cast<BlockWriter*>(writer)->run();
  return 0;
}

// About a second of blocks, so that a slow disk does not hold up a real-time run, within
// 64 MiB for the largest channel counts and blocks.
uint32_t ringSlots(const MixerOptions& options, uint32_t channels, uint32_t maxFrames) {
  const uint64_t slotBytes = uint64_t{channels} * maxFrames * sizeof(float);
  const uint64_t second = std::clamp<uint64_t>(options.rate / options.block + 1, 8, 1024);
  return static_cast<uint32_t>(std::max<uint64_t>(2, std::min(second, (64u << 20) / slotBytes)));
}

// The run's length as planned, which sets the picture's first column width; audio-info
// changes may make it longer, and the picture then widens its columns.
double plannedSeconds(const MixerOptions& options) {
  if (options.blocks == 0) return options.seconds;
  return static_cast<double>(options.blocks) * options.block / options.rate;
}

// What --svg takes: the file, opened before the run so that a bad path fails before the
// session rather than after it, and the columns the writer thread fills.
struct Drawing {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
  std::optional<SessionPicture> picture;

  bool open(const MixerOptions& options, const DeviceInfo& info, std::string& error) {
    file.reset(std::fopen(options.svgPath.c_str(), "w"));
    if (!file) {
      error = "cannot write " + options.svgPath + ": " + std::strerror(errno);
      return false;
    }
    std::vector<std::string> names;
    for (uint32_t c = 0; c < info.channelCount; ++c)
      names.push_back(fieldText(info.channelNames[c], 32));
    picture.emplace(std::move(names), plannedSeconds(options) / kPictureColumns);
    return true;
  }

  bool finish(const std::string& path, const MarkLog& marks, DriveTimes& times,
              std::string& error) {
    const std::string svg =
        sessionSvg(*picture, {&marks.marks(), marks.dropped()}, driveHistogram(times));
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file.get()) == svg.size();
    if (std::fclose(file.release()) != 0 || !written) {
      error = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
    std::printf("picture: %s\n", path.c_str());
    return true;
  }
};

// The control thread's share of the run: idle calls, the panel's state for counting
// time-outs, and the audio-info changes the audio thread waits for.
void control(const RWMDeviceEntryPoints& device, AudioLoop& loop) {
  const auto quitPanelIfAsked = [&] {
    if (loop.takeQuitPanelRequest()) std::printf("quit panel: status %d\n", device.quitPanelApp());
  };
  while (!loop.finished()) {
    device.idle();
    loop.setPanelConnected(device.isPanelAppLaunched() != 0);
    quitPanelIfAsked();
    AudioInfo info{};
    if (loop.pendingAudioInfoChange(info)) {
      device.setAudioInfo(&info);
      loop.completeAudioInfoChange();
      continue;
    }
    tz::platform::sleepMs(kIdleMs);
  }
  quitPanelIfAsked();  // a run may end before this thread looked
}

int drive(const MixerOptions& options, const RWMDeviceEntryPoints& device, const DeviceInfo& info) {
  const uint32_t channels = info.channelCount;
  const uint32_t maxFrames = largestBlock(options);
  std::unique_ptr<BlockRing> ring;
  WavWriter wav;
  std::optional<BlockWriter> writer;
  SignalCheck check(channels);
  tz::platform::Thread writerThread;
  std::string error;
  const bool writing = !options.outPath.empty();
  if (writing && !wav.open(options.outPath, static_cast<uint16_t>(channels), options.rate, error))
    return fail(error);
  const bool drawing = !options.svgPath.empty();
  Drawing picture;
  if (drawing && !picture.open(options, info, error)) return fail(error);
  if (writing || options.verify || drawing) {
    ring =
        std::make_unique<BlockRing>(channels, maxFrames, ringSlots(options, channels, maxFrames));
    writer.emplace(*ring, writing ? &wav : nullptr, options.verify ? &check : nullptr,
                   drawing ? &*picture.picture : nullptr);
    if (!succeeded(writerThread.start(runWriter, &*writer))) return fail("no file writer thread");
  }
  // The transport both ways, as it took effect: printed after the run, and drawn.
  MarkLog marks(options.script.size() + kUnscriptedMarks);
  AudioLoop loop({device, channels, &options, ring.get(), &marks});
  loop.setPanelConnected(device.isPanelAppLaunched() != 0);
  tz::platform::Thread audio;
  if (!succeeded(audio.start(runAudio, &loop))) {
    if (ring) ring->close();
    return fail("no audio thread");
  }
  control(device, loop);
  audio.join();
  if (ring) ring->close();
  writerThread.join();
  for (const Mark& mark : marks.marks())
    std::printf("transport: %.3f s, block %llu: %s\n", mark.seconds,
                static_cast<unsigned long long>(mark.block), markLabel(mark).c_str());
  printSummary(stdout, loop.counters(), loop.driveTimes());
  if (options.verify) printSignalReport(stdout, check.report());
  int status = !options.verify || check.report().passed() ? 0 : kVerifyFailed;
  if (drawing && !picture.finish(options.svgPath, marks, loop.driveTimes(), error))
    status = fail(error);
  if (!writing) return status;
  const bool written = wav.finish(error);
  std::printf("file: %s, %u channels at %u Hz, %llu frames%s\n", options.outPath.c_str(), channels,
              options.rate, static_cast<unsigned long long>(wav.framesWritten()),
              wav.framesDropped() ? " (cut at the 4 GiB limit)" : "");
  return written ? status : fail(error);
}

void quitPanel(const RWMDeviceEntryPoints& device) {
  std::printf("quit panel: status %d\n", device.quitPanelApp());
  // A panel still connected at the close would find its connection gone; let it leave first.
  if (!idleUntil(device, kQuitWaitSeconds, [&] { return device.isCloseOK() != 0; })) {
    std::printf("panel: still connected at the close\n");
  }
}

int runMixer(const MixerOptions& options) {
  EngineBinding engine;
  std::string error;
  if (!engine.load(options.enginePath, error)) return fail(error);
  std::printf("engine: %s\n", engine.path().c_str());
  DeviceSession session(engine);
  if (!session.markMixerRunning(error)) return fail(error);
  const std::vector<std::string> names = engine.deviceNames();
  std::printf("installed devices: %s\n", joined(names).c_str());
  const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
    return sameName(name, options.device);
  });
  if (found == names.end()) {
    return fail("no device named \"" + options.device + "\"; installed: " + joined(names), kUsage);
  }
  DeviceInfo info;
  if (!session.load(*found, error) || !describe(session.entries(), info, error) ||
      !session.open(options.rate, options.block, error)) {
    return fail(error);
  }
  std::printf("opened: %u Hz, %u frames per block\n", options.rate, options.block);
  const RWMDeviceEntryPoints& device = session.entries();
  if (options.launch) std::printf("launch panel: status %d\n", device.launchPanelApp());
  if (options.waitPanelSeconds > 0 && !idleUntil(device, options.waitPanelSeconds, [&] {
        return device.isPanelAppLaunched() != 0;
      })) {
    std::printf("panel: not connected after %g s\n", options.waitPanelSeconds);
  }
  const int status = drive(options, device, info);
  if (options.quitPanel) quitPanel(device);
  session.close();
  return status;
}

}  // namespace
}  // namespace tz::mixer

int main(int argc, char** argv) {
  using namespace tz::mixer;
  // Line by line, also into a file, so that whoever watches sees each step as it happens.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  try {
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (parsed.help) {
      std::fputs(usageText(), stdout);
      return 0;
    }
    if (!parsed.ok) return fail(parsed.error, kUsage);
    return runMixer(parsed.options);
  } catch (const std::bad_alloc&) {
    return fail("out of memory");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

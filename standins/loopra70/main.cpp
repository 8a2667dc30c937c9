// loopra70.exe, the host stand-in: loads the audio driver beside it, runs the ReWire device
// until the mixer asks it to quit, its time is up or a signal comes, prints every device
// callback and makes the transport requests asked for.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "standins/loopra70/callback_log.h"
#include "standins/loopra70/driver_library.h"
#include "standins/loopra70/host_options.h"
#include "standins/loopra70/host_session.h"
#include "standins/loopra70/host_settings.h"
#include "standins/loopra70/transport_requests.h"
#include "support/platform/clock.h"
#include "support/platform/process_launcher.h"
#include "support/platform/this_thread.h"

namespace tz::host {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
// How often the main thread looks at the quit conditions and the request times.
constexpr uint32_t kPollMs = 5;

volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
  signalled = 1;
}

int fail(const std::string& message, int status = kFailed) {
  std::fprintf(stderr, "loopra70.exe: %s\n", message.c_str());
  return status;
}

double secondsSince(int64_t start) {
  return static_cast<double>(platform::highResCounter() - start) /
         static_cast<double>(platform::highResFrequency());
}

// Makes the requests as their times come; returns why the run ends.
const char* runUntilQuit(const HostOptions& options, HostSession& session, const CallbackLog& log) {
  RequestSchedule schedule(options.requests);
  const int64_t start = platform::highResCounter();
  bool quitNoted = false;
  for (;;) {
    const double now = secondsSince(start);
    while (const TransportRequest* request = schedule.next(now)) session.request(*request);
    // The driver also asks when the mixer went away without a word. A host the mixer
    // launched has no other reason to live; one started by hand keeps running.
    if (log.quitRequested() && options.launchedByDevice) return "the mixer asked the host to quit";
    if (log.quitRequested() && !quitNoted) {
      printLine(stdout, "quit request: started by hand, the host keeps running");
      quitNoted = true;
    }
    if (signalled) return "signal";
    if (options.seconds > 0 && now >= options.seconds) return "time is up";
    platform::sleepMs(kPollMs);
  }
}

int runHost(const HostOptions& options) {
  std::printf("host: pid %u%s\n", platform::currentProcessId(),
              options.launchedByDevice ? ", launched by the device" : "");
  std::fflush(stdout);
  DriverLibrary driver;
  std::string error;
  const std::string path =
      options.libraryPath.empty() ? DriverLibrary::besideProgram() : options.libraryPath;
  if (!driver.load(path, error)) return fail(error);
  std::printf("driver: %s\n", driver.path().c_str());
  HostSettings settings;
  if (settings.open() < 0) return fail("cannot open the host's settings store");
  CallbackLog log(stdout, options.quiet);
  HostSession session(log, stdout, options.idle);
  switch (session.create(driver, settings.handle(), error)) {
    case HostSession::Created::NoMixer:
      std::printf("no mixer application is running: no ReWire device to open\n");
      return 0;
    case HostSession::Created::Failed:
      return fail(error);
    case HostSession::Created::Ready:
      break;
  }
  if (!session.run(error)) {
    session.shutDown();
    return fail(error);
  }
  if (options.listPorts) session.listPorts();
  platform::signalProcessReady();
  std::printf("quit: %s\n", runUntilQuit(options, session, log));
  const bool clean = session.shutDown();
  settings.close();
  log.printSummary(stdout);
  return clean ? 0 : fail("the device did not shut down cleanly");
}

// The environment's options first, then the command line's.
std::vector<std::string> gatherArguments(int argc, char** argv) {
  std::vector<std::string> words;
  if (const char* extra = std::getenv(kOptionsVariable)) {
    words = platform::splitCommandLineArguments(extra);
  }
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace
}  // namespace tz::host

int main(int argc, char** argv) {
  using namespace tz::host;
  try {
    const std::vector<std::string> words = gatherArguments(argc, argv);
    const std::vector<std::string_view> args(words.begin(), words.end());
    const ParsedOptions parsed = parseOptions(args);
    if (parsed.help) {
      std::fputs(usageText(), stdout);
      return 0;
    }
    if (!parsed.ok) return fail(parsed.error, kUsage);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    return runHost(parsed.options);
  } catch (const std::bad_alloc&) {
    return fail("out of memory");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}

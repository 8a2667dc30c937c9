// What loading the library leaves of the process's signal handling, seen from a process that
// loads it as a host would.
#include <gtest/gtest.h>
#include <signal.h>

#include <iterator>

#include "support/platform/module.h"

namespace {

// The host owns its signals: loading (and unloading) the library changes no fault handler.
TEST(LibrarySignals, LoadingInstallsNoSignalHandler) {
  const int signals[] = {SIGSEGV, SIGILL, SIGFPE, SIGBUS, SIGTRAP, SIGABRT};
  struct sigaction before[std::size(signals)], after{};
  for (size_t i = 0; i < std::size(signals); ++i) sigaction(signals[i], nullptr, &before[i]);
  tz::platform::Module library;
  ASSERT_EQ(tz::platform::PlatformError::Success, library.loadFromPath(TZ_LIBRARY_PATH))
      << tz::platform::lastLoadMessage();
  for (size_t i = 0; i < std::size(signals); ++i) {
    sigaction(signals[i], nullptr, &after);
    EXPECT_EQ(before[i].sa_sigaction, after.sa_sigaction) << signals[i];
    EXPECT_EQ(before[i].sa_flags, after.sa_flags) << signals[i];
  }
}

}  // namespace

// Context help without a display: the requests are kept for whoever asks.
#include "support/platform/context_help.h"

#include <deque>
#include <mutex>

namespace tz::platform {

namespace {

constexpr size_t kKeptRequests = 256;

struct Requests {
  std::mutex lock;
  std::deque<ContextHelpRequest> kept;
};

Requests& requests() {
  static Requests all;
  return all;
}

}  // namespace

void showContextHelp(HWND control, std::u16string_view helpFile, uint32_t contextId) {
  Requests& all = requests();
  std::lock_guard hold(all.lock);
  if (all.kept.size() == kKeptRequests) all.kept.pop_front();
  all.kept.push_back({control, std::u16string(helpFile), contextId});
}

std::vector<ContextHelpRequest> contextHelpRequests() {
  Requests& all = requests();
  std::lock_guard hold(all.lock);
  return {all.kept.begin(), all.kept.end()};
}

void clearContextHelpRequests() {
  Requests& all = requests();
  std::lock_guard hold(all.lock);
  all.kept.clear();
}

}  // namespace tz::platform

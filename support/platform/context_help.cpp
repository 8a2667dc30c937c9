// The context-help requests, kept for whoever asks; each backend's showContextHelp adds to them.
#include <deque>
#include <mutex>

#include "support/platform/context_help_record.h"

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

void recordContextHelp(ContextHelpRequest request) {
  Requests& all = requests();
  std::lock_guard hold(all.lock);
  if (all.kept.size() == kKeptRequests) all.kept.pop_front();
  all.kept.push_back(std::move(request));
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

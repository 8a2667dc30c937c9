// A guarded thread's stack was asked of the thread library when its guard started (which
// allocates, so not here); any other thread's is the mapping around its stack pointer.
#include "support/platform/thread_stack.h"

#include "support/platform/posix/guarded_threads.h"
#include "support/platform/posix/process_maps.h"
#include "support/platform/this_thread.h"

namespace tz::platform {
namespace {

struct Search {
  uintptr_t address;
  StackRegion found;
};

bool visit(const MapsLine& line, void* context) {
  auto& search = *static_cast<Search*>(context);
  if (search.address < line.start || search.address >= line.end) return true;
  search.found = {line.start, line.end};
  return false;
}

}  // namespace

StackRegion currentThreadStack() {
  if (const GuardFrame* frame = innermostGuard(currentThreadIdUncached())) return frame->stack;
  int here = 0;
  Search search{reinterpret_cast<uintptr_t>(&here), {}};
  MapsParser parser(visit, &search);
  readProcessMaps(parser);
  return search.found;
}

}  // namespace tz::platform

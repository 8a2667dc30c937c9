// The library's load and unload stand in for process attach and detach, so that everything
// the exports rely on is ready before the first of them is called.
#include "kaudio/audiodrvs/ReWire/module_attach.h"

namespace {

__attribute__((constructor)) void onProcessAttach() {
  tz::rewire::attachModule();
}

__attribute__((destructor)) void onProcessDetach() {
  tz::rewire::detachModule();
}

}  // namespace

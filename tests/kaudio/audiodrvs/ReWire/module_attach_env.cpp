// The suite's program starts up as the library does when a process loads it.
#include "kaudio/audiodrvs/ReWire/module_attach.h"

namespace {

const bool attached = (tz::rewire::attachModule(), true);

}  // namespace

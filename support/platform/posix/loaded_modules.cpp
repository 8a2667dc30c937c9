// The module snapshot from the address-space map: every file-backed mapping is offered.
#include "support/platform/loaded_modules.h"

#include "support/platform/posix/process_maps.h"

namespace tz::platform {

bool ModuleMap::load() {
  count_ = 0;
  MapsParser parser(addMapsLine, this);
  if (!readProcessMaps(parser)) return false;
  finish();
  return true;
}

}  // namespace tz::platform

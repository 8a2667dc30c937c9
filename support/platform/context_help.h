// Context help: the pop-up help of one control, shown from a help file by context id. Without
// a display the request is recorded, and tests read the record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tz/win_types.h"

namespace tz::platform {

struct ContextHelpRequest {
  HWND control;
  std::u16string helpFile;
  uint32_t contextId;
};

// Shows (records) the pop-up for control.
void showContextHelp(HWND control, std::u16string_view helpFile, uint32_t contextId);
// The requests so far, oldest first; at most the latest 256 are kept.
std::vector<ContextHelpRequest> contextHelpRequests();
void clearContextHelpRequests();

}  // namespace tz::platform

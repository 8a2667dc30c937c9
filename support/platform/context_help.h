// Context help: the pop-up help of one control, shown from a help file by context id. The
// request is recorded, and tests read the record; on Windows the pop-up is also shown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tz/win_handles.h"

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

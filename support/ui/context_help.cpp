#include "support/ui/context_help.h"

#include "support/platform/context_help.h"
#include "support/ui/help_file_paths.h"

namespace tz::ui {

namespace {

constexpr int32_t kHelpForWindow = 1;  // HELPINFO_WINDOW
constexpr int kContextHelpFile = 1;

}  // namespace

bool contextPopupHelp(const platform::HelpInfo* request, const DWORD* table) {
  if (request == nullptr || table == nullptr || request->contextType != kHelpForWindow)
    return false;
  for (; table[0] != 0; table += 2) {
    if (static_cast<int32_t>(table[0]) != request->controlId) continue;
    platform::showContextHelp(request->control, helpFilePath(kContextHelpFile), table[1]);
    return true;
  }
  return false;
}

}  // namespace tz::ui

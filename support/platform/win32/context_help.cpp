// Context help by the system's help engine: the control's pop-up from the help file, and the
// request recorded as on every system.
#include <windows.h>

#include "support/platform/context_help_record.h"

namespace tz::platform {

void showContextHelp(HWND control, std::u16string_view helpFile, uint32_t contextId) {
  std::u16string file(helpFile);
  recordContextHelp({control, file, contextId});
  WinHelpW(control, reinterpret_cast<const wchar_t*>(file.c_str()), HELP_CONTEXTPOPUP, contextId);
}

}  // namespace tz::platform

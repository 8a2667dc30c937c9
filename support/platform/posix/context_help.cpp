// Context help without a display: the request is only recorded.
#include "support/platform/context_help_record.h"

namespace tz::platform {

void showContextHelp(HWND control, std::u16string_view helpFile, uint32_t contextId) {
  recordContextHelp({control, std::u16string(helpFile), contextId});
}

}  // namespace tz::platform

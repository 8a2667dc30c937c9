// The record of context-help requests that every backend keeps for context_help.h.
#pragma once

#include "support/platform/context_help.h"

namespace tz::platform {

// Keeps the request, dropping the oldest past the latest 256.
void recordContextHelp(ContextHelpRequest request);

}  // namespace tz::platform

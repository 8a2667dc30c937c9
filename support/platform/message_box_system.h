// The backend's part of message_box.h: showing a box that no capture took.
#pragma once

#include "support/platform/message_box.h"

namespace tz::platform {

// Shows the box and returns the button that answered it; no lock, no allocation.
int showSystemMessageBox(const MessageBox& box);

}  // namespace tz::platform

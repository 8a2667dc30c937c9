// The old include path of the peer process and the deadline wait, kept for the suites that
// have not moved to tests/common yet; it goes with its last user.
#pragma once

#include "tests/common/eventually.h"
#include "tests/common/peer_process.h"

// The engine's list of installed devices as a test sees it: here in the test's own registry
// store (IsolatedSession), so there is nothing to clear.
#pragma once

namespace tz::test {

class DeviceListSandbox {};

}  // namespace tz::test

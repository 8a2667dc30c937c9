// The registry keys of a device session that a test must find empty: the engine's list of
// installed devices and the host's settings store. Here they are in the test's own registry
// store (IsolatedSession), so there is nothing to clear.
#pragma once

namespace tz::test {

class SessionRegistry {
 public:
  SessionRegistry() {}  // user-provided, as the Windows one's: a held object is no unused one
  SessionRegistry(const SessionRegistry&) = delete;
  SessionRegistry& operator=(const SessionRegistry&) = delete;
};

}  // namespace tz::test

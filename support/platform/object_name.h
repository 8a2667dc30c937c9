// The names of named objects as every backend spells them: kind, namespace and name in one
// escaped word, so that the rules for a name (what is too long, what counts three bytes) are
// the same on every system.
#pragma once

#include <string>
#include <string_view>

#include "support/platform/platform_error.h"

namespace tz::platform {

// Kinds live side by side under the same names without meeting.
enum class ObjectKind { Section, Event, Mark };

// The word a kind starts its objects' names with.
const char* objectKindWord(ObjectKind kind);

// "<kind>~<TZ_OBJECT_NAMESPACE>~<name>", namespace and name escaped ([A-Za-z0-9._-] stay, any
// other byte becomes %XX), so that every distinct pair gives a distinct name. InvalidName for
// an empty name or a result longer than a file name may be (255 bytes).
PlatformError objectName(ObjectKind kind, std::string_view name, std::string& out);

}  // namespace tz::platform

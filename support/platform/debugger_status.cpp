// The TracerPid rule of a Linux process status text: tools and the fuzz target read such texts
// on any system.
#include <string_view>

#include "support/platform/debugger.h"

namespace tz::platform {

bool tracedByStatus(const char* text, size_t length) {
  constexpr std::string_view kKey = "\nTracerPid:";
  const std::string_view status(text, length);
  size_t at = status.find(kKey);
  if (at == std::string_view::npos) return false;
  at += kKey.size();
  while (at < status.size() && (status[at] == '\t' || status[at] == ' ')) ++at;
  bool digits = false, nonZero = false;
  for (; at < status.size() && status[at] >= '0' && status[at] <= '9'; ++at) {
    digits = true;
    nonZero = nonZero || status[at] != '0';
  }
  const bool lineEnds = at == status.size() || status[at] == '\n';
  return digits && nonZero && lineEnds;
}

}  // namespace tz::platform

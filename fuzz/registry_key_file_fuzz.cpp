// The registry's key-file reader, on any bytes: it never reads past the text, and a file it
// accepts, written back and read again, gives the same values.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/platform/posix/registry_internal.h"

namespace {

using tz::platform::registry::Values;

bool same(const Values& a, const Values& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tz::platform::registry;
  Values values, again;
  if (!parseKeyFile(std::string_view(reinterpret_cast<const char*>(data), size), values)) return 0;
  if (!parseKeyFile(formatKeyFile(values), again) || !same(values, again)) std::abort();
  return 0;
}

// What the crash report reads about the process, on any bytes: the address-space text (the
// snapshot keeps its modules ordered by base, their names terminated, each found at its base),
// a loaded image (a symbol and version lookup that neither faults nor walks forever), and the
// status text that names a debugger.
//
// Input: a byte choosing the reader (text, image, status), then the bytes it reads.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "support/platform/debugger.h"
#include "support/platform/loaded_image.h"
#include "support/platform/loaded_modules.h"

namespace {

using namespace tz::platform;

constexpr size_t kPage = 4096;

void snapshot(std::string_view text) {
  static ModuleMap modules;  // about 10 KiB; kept off the fuzzer's stack
  modules.loadFromText(text);
  if (modules.size() > ModuleMap::kCapacity) abort();
  for (size_t i = 0; i < modules.size(); ++i) {
    const LoadedModule& module = modules[i];
    if (std::memchr(module.name, '\0', sizeof module.name) == nullptr) abort();
    if (i > 0 && modules[i - 1].base > module.base) abort();
    if (module.end <= module.base || modules.find(module.base) == nullptr) abort();
  }
}

// The image at a page boundary, as a loader maps one, with zeros after the input.
void image(const uint8_t* data, size_t size) {
  const size_t bytes = (size / kPage + 1) * kPage;
  auto* at = static_cast<uint8_t*>(std::aligned_alloc(kPage, bytes));
  std::memset(at, 0, bytes);
  std::memcpy(at, data, size);
  const auto base = reinterpret_cast<uintptr_t>(at);
  findImageSymbol(base, "ErrorReport_UnmanagedException");
  findImageSymbol(base, "tzFixtureMajor");
  FileVersion version;
  readImageVersion(base, version);
  std::free(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto* text = reinterpret_cast<const char*>(data + 1);
  switch (data[0] % 3) {
    case 0:
      snapshot({text, size - 1});
      break;
    case 1:
      image(data + 1, size - 1);
      break;
    default:
      tracedByStatus(text, size - 1);
      break;
  }
  return 0;
}

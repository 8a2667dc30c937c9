// The module snapshot from the process's module list (EnumProcessModules and its companions
// read the loader's records as another process would, so no loader lock is taken), with names
// converted on the stack.
#include "support/platform/loaded_modules.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include "support/platform/text_encoding.h"

namespace tz::platform {
namespace {

// The module's file name in UTF-8, cut at a whole character to fit.
void nameOf(HMODULE module, char (&name)[64]) {
  wchar_t wide[MAX_PATH];
  const DWORD length = K32GetModuleBaseNameW(GetCurrentProcess(), module, wide, MAX_PATH);
  const std::u16string_view text(reinterpret_cast<const char16_t*>(wide), length);
  size_t used = 0;
  for (size_t i = 0; i < text.size();) {
    char bytes[4];
    const size_t count = encodeUtf8(decodeUtf16(text, i), bytes);
    if (used + count + 1 > sizeof name) break;
    for (size_t b = 0; b < count; ++b) name[used++] = bytes[b];
  }
  name[used] = '\0';
}

}  // namespace

bool ModuleMap::load() {
  count_ = 0;
  HMODULE handles[kCapacity];
  DWORD bytes = 0;
  if (!K32EnumProcessModules(GetCurrentProcess(), handles, sizeof handles, &bytes)) return false;
  const size_t listed = bytes / sizeof(HMODULE) < kCapacity ? bytes / sizeof(HMODULE) : kCapacity;
  for (size_t i = 0; i < listed; ++i) {
    MODULEINFO info;
    if (!K32GetModuleInformation(GetCurrentProcess(), handles[i], &info, sizeof info)) continue;
    char name[64];
    nameOf(handles[i], name);
    const auto base = reinterpret_cast<uintptr_t>(info.lpBaseOfDll);
    addMapping(base, base + info.SizeOfImage, base, name);
  }
  finish();
  return true;
}

}  // namespace tz::platform

// Dialogs built from any template bytes: whatever the reader accepts becomes windows that a
// user can type into and that go again without a trace; anything else makes no window.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/platform/dialog.h"
#include "support/platform/window.h"
#include "support/platform/window_input.h"

namespace {

intptr_t quietProcedure(HWND, uint32_t, uintptr_t, intptr_t) {
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tz::platform;
  const std::vector<uint8_t> bytes(data, data + size);
  const size_t before = childrenOf(desktopWindow()).size();
  const HWND dialog = createDialog(bytes.data(), bytes.size(), nullptr, &quietProcedure, 0);
  if (dialog == nullptr) {
    if (childrenOf(desktopWindow()).size() != before) std::abort();
    return 0;
  }
  for (HWND control : childrenOf(dialog)) {
    typeText(control, u"12");
    leaveControl(control);
    askForHelp(control);
  }
  if (!destroyWindow(dialog) || isWindow(dialog) || childrenOf(desktopWindow()).size() != before)
    std::abort();
  return 0;
}

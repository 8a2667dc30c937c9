// What every backend's box shares: the default buttons and the test capture.
#include "support/platform/message_box.h"

#include <atomic>
#include <iterator>

#include "support/platform/message_box_system.h"

namespace tz::platform {
namespace {

// Set by tests while no box is being shown.
std::atomic<MessageBoxCapture> captureFunction{nullptr};
std::atomic<void*> captureContext{nullptr};

}  // namespace

int defaultButton(UINT style) {
  static constexpr int kSets[][3] = {
      {kButtonOk, 0, 0},
      {kButtonOk, kButtonCancel, 0},
      {kButtonAbort, kButtonRetry, kButtonIgnore},
      {kButtonYes, kButtonNo, kButtonCancel},
      {kButtonYes, kButtonNo, 0},
      {kButtonRetry, kButtonCancel, 0},
      {kButtonCancel, kButtonTryAgain, kButtonContinue},
  };
  const UINT set = style & 0xF;
  if (set >= std::size(kSets)) return kButtonOk;
  const UINT index = (style >> 8) & 0x3;
  // A default button past the set's last falls back to its first, as a dialog would.
  if (index >= 3 || kSets[set][index] == 0) return kSets[set][0];
  return kSets[set][index];
}

int showMessageBox(const MessageBox& box) {
  if (MessageBoxCapture hook = captureFunction.load(std::memory_order_acquire))
    return hook(box, captureContext.load(std::memory_order_relaxed));
  return showSystemMessageBox(box);
}

void setMessageBoxCapture(MessageBoxCapture function, void* context) {
  captureContext.store(context, std::memory_order_relaxed);
  captureFunction.store(function, std::memory_order_release);
}

}  // namespace tz::platform

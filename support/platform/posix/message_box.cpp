// Boxes on standard error: "title: text", then the details, each line written with write(2)
// from a stack buffer, so that a box can be shown from a crash report.
#include "support/platform/message_box.h"

#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "support/platform/text_encoding.h"

namespace tz::platform {
namespace {

// Set by tests while no box is being shown.
std::atomic<MessageBoxCapture> captureFunction{nullptr};
std::atomic<void*> captureContext{nullptr};

// UTF-8 on the way out, a block at a time; an unpaired surrogate becomes U+FFFD.
class ErrorStream {
 public:
  ~ErrorStream() { flush(); }

  void text(const WCHAR* wide) {
    if (wide == nullptr) return;
    const std::u16string_view view(wide);
    for (size_t i = 0; i < view.size();) put(decodeUtf16(view, i));
  }
  void ascii(const char* narrow) {
    while (*narrow != '\0') put(static_cast<unsigned char>(*narrow++));
  }

 private:
  void put(char32_t c) {
    if (length_ + 4 > sizeof buffer_) flush();
    length_ += encodeUtf8(c, buffer_ + length_);
  }
  void flush() {
    size_t done = 0;
    while (done < length_) {
      const ssize_t n = write(STDERR_FILENO, buffer_ + done, length_ - done);
      if (n <= 0) break;  // nobody reads standard error; the box still answers
      done += static_cast<size_t>(n);
    }
    length_ = 0;
  }

  char buffer_[512];
  size_t length_ = 0;
};

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
  {
    ErrorStream out;
    out.text(box.title);
    out.ascii(": ");
    out.text(box.text);
    out.ascii("\n");
    if (box.details != nullptr) {
      out.text(box.details);
      out.ascii("\n");
    }
  }
  return defaultButton(box.style);
}

void setMessageBoxCapture(MessageBoxCapture function, void* context) {
  captureContext.store(context, std::memory_order_relaxed);
  captureFunction.store(function, std::memory_order_release);
}

}  // namespace tz::platform

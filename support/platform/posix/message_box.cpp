// Boxes on standard error: "title: text", then the details, each line written with write(2)
// from a stack buffer, so that a box can be shown from a crash report.
#include <unistd.h>

#include <cstddef>
#include <string_view>

#include "support/platform/message_box_system.h"
#include "support/platform/text_encoding.h"

namespace tz::platform {
namespace {

// UTF-8 on the way out, a block at a time; an unpaired surrogate becomes U+FFFD.
class ErrorStream {
 public:
  ~ErrorStream() { flush(); }

  void text(const char16_t* wide) {
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

int showSystemMessageBox(const MessageBox& box) {
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

}  // namespace tz::platform

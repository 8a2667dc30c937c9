// The system's message box. Attached details follow the text after a blank line, and the style's
// 0xC000 bits, which only say that details are attached, are taken out before the system sees
// them (it would read them as a help button and no focus). The text is put together in a stack
// buffer, so that a crash report can show a box without allocating.
#include <windows.h>
// The system's name for MessageBoxW would hide the layer's struct.
#undef MessageBox

#include "support/platform/message_box_system.h"

namespace tz::platform {
namespace {

constexpr UINT kDetailsBits = 0xC000;

// Text that does not fit is cut; a cut never splits a surrogate pair.
class BoxText {
 public:
  void append(const char16_t* text) {
    for (; text != nullptr && *text != u'\0'; ++text) {
      const bool lead = *text >= 0xD800 && *text < 0xDC00;
      if (length_ + (lead ? 2 : 1) >= kCapacity) break;
      buffer_[length_++] = static_cast<wchar_t>(*text);
    }
    buffer_[length_] = L'\0';
  }
  const wchar_t* text() const { return buffer_; }

 private:
  static constexpr size_t kCapacity = 4096;
  wchar_t buffer_[kCapacity] = {};
  size_t length_ = 0;
};

}  // namespace

int showSystemMessageBox(const MessageBox& box) {
  BoxText text;
  text.append(box.text);
  if (box.details != nullptr) {
    text.append(u"\r\n\r\n");
    text.append(box.details);
  }
  const int button =
      MessageBoxW(box.owner, text.text(), reinterpret_cast<const wchar_t*>(box.title),
                  box.style & ~kDetailsBits);
  return button != 0 ? button : defaultButton(box.style);
}

}  // namespace tz::platform

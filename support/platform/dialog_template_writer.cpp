// Writing extended dialog templates: the resource compiler's output and, for tests and the
// fuzz target, the inverse of the reader.
#include <algorithm>

#include "support/platform/dialog_template.h"

namespace tz::platform {

namespace {

class Writer {
 public:
  template <typename T>
  void put(T value) {
    const auto* raw = reinterpret_cast<const uint8_t*>(&value);
    bytes_.insert(bytes_.end(), raw, raw + sizeof value);
  }
  void text(const std::u16string& value) {
    for (const char16_t c : value) put(c);
    put(char16_t{0});
  }
  void nameOrOrdinal(const NameOrOrdinal& value) {
    if (!value.isOrdinal) return text(value.name);
    put(uint16_t{0xFFFF});
    put(value.ordinal);
  }
  void rectangle(int16_t x, int16_t y, int16_t cx, int16_t cy) {
    put(x);
    put(y);
    put(cx);
    put(cy);
  }
  void align() { bytes_.resize((bytes_.size() + 3) & ~size_t{3}); }
  std::vector<uint8_t> done() { return std::move(bytes_); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace

std::vector<uint8_t> writeDialogTemplate(const DialogTemplate& dialog) {
  const size_t count = std::min<size_t>(dialog.items.size(), 0xFFFF);
  Writer out;
  out.put(uint16_t{1});
  out.put(uint16_t{0xFFFF});
  out.put(dialog.helpId);
  out.put(dialog.exStyle);
  out.put(dialog.style);
  out.put(static_cast<uint16_t>(count));
  out.rectangle(dialog.x, dialog.y, dialog.cx, dialog.cy);
  out.nameOrOrdinal(dialog.menu);
  out.nameOrOrdinal(dialog.windowClass);
  out.text(dialog.title);
  if (dialog.style & kDialogStyleSetFont) {
    out.put(dialog.font.pointSize);
    out.put(dialog.font.weight);
    out.put(dialog.font.italic);
    out.put(dialog.font.charset);
    out.text(dialog.font.typeface);
  }
  for (size_t i = 0; i < count; ++i) {
    const DialogItem& item = dialog.items[i];
    out.align();
    out.put(item.helpId);
    out.put(item.exStyle);
    out.put(item.style);
    out.rectangle(item.x, item.y, item.cx, item.cy);
    out.put(item.id);
    out.nameOrOrdinal(item.windowClass);
    out.nameOrOrdinal(item.text);
    const size_t extra = std::min<size_t>(item.creationData.size(), 0xFFFF);
    out.put(static_cast<uint16_t>(extra));
    out.bytes().insert(out.bytes().end(), item.creationData.begin(),
                       item.creationData.begin() + static_cast<ptrdiff_t>(extra));
  }
  return out.done();
}

}  // namespace tz::platform

// Reading extended dialog templates from resource bytes that may be damaged: a cursor that
// refuses any field reaching past the end, so that a bad language module fails cleanly.
#include <algorithm>
#include <cstring>

#include "support/platform/dialog_template.h"

namespace tz::platform {

namespace {

constexpr size_t kHeaderBytes = 26;                              // dlgVer .. cy
constexpr size_t kItemFixedBytes = 24;                           // helpID .. id
constexpr size_t kItemLeastBytes = kItemFixedBytes + 2 + 2 + 2;  // with empty class, text, count

class Cursor {
 public:
  Cursor(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  size_t at() const { return at_; }
  size_t left() const { return size_ - at_; }
  bool failed() const { return status_ != DialogTemplateStatus::Ok; }
  DialogTemplateStatus status() const { return status_; }

  template <typename T>
  T take() {
    T value{};
    if (failed() || left() < sizeof value) {
      fail(DialogTemplateStatus::Truncated);
      return value;
    }
    memcpy(&value, bytes_ + at_, sizeof value);
    at_ += sizeof value;
    return value;
  }

  std::u16string text() {
    std::u16string value;
    for (;;) {
      if (failed()) return {};
      if (left() < 2) {
        fail(DialogTemplateStatus::TextNotTerminated);
        return {};
      }
      const auto c = take<char16_t>();
      if (c == 0) return value;
      value.push_back(c);
    }
  }

  NameOrOrdinal nameOrOrdinal() {
    if (left() >= 2 && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      at_ += 2;
      return NameOrOrdinal::of(take<uint16_t>());
    }
    return NameOrOrdinal::of(text());
  }

  std::vector<uint8_t> bytes(size_t count) {
    if (failed() || left() < count) {
      fail(DialogTemplateStatus::Truncated);
      return {};
    }
    at_ += count;
    return {bytes_ + at_ - count, bytes_ + at_};
  }

  // To the next 4-byte boundary of the template; the end counts as one.
  void align() { at_ = std::min(size_, (at_ + 3) & ~size_t{3}); }

  void fail(DialogTemplateStatus status) {
    if (!failed()) status_ = status;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  DialogTemplateStatus status_ = DialogTemplateStatus::Ok;
};

void readRectangle(Cursor& cursor, int16_t& x, int16_t& y, int16_t& cx, int16_t& cy) {
  x = cursor.take<int16_t>();
  y = cursor.take<int16_t>();
  cx = cursor.take<int16_t>();
  cy = cursor.take<int16_t>();
}

DialogItem readItem(Cursor& cursor) {
  DialogItem item;
  item.helpId = cursor.take<uint32_t>();
  item.exStyle = cursor.take<uint32_t>();
  item.style = cursor.take<uint32_t>();
  readRectangle(cursor, item.x, item.y, item.cx, item.cy);
  item.id = cursor.take<uint32_t>();
  item.windowClass = cursor.nameOrOrdinal();
  item.text = cursor.nameOrOrdinal();
  item.creationData = cursor.bytes(cursor.take<uint16_t>());
  return item;
}

}  // namespace

DialogTemplateStatus readDialogTemplate(const void* bytes, size_t size, DialogTemplate& dialog) {
  if (bytes == nullptr || size < kHeaderBytes) return DialogTemplateStatus::Truncated;
  Cursor cursor(static_cast<const uint8_t*>(bytes), size);
  if (cursor.take<uint16_t>() != 1 || cursor.take<uint16_t>() != 0xFFFF)
    return DialogTemplateStatus::NotExtended;
  DialogTemplate read;
  read.helpId = cursor.take<uint32_t>();
  read.exStyle = cursor.take<uint32_t>();
  read.style = cursor.take<uint32_t>();
  const auto count = cursor.take<uint16_t>();
  readRectangle(cursor, read.x, read.y, read.cx, read.cy);
  read.menu = cursor.nameOrOrdinal();
  read.windowClass = cursor.nameOrOrdinal();
  read.title = cursor.text();
  if (read.style & kDialogStyleSetFont) {
    read.font.pointSize = cursor.take<uint16_t>();
    read.font.weight = cursor.take<uint16_t>();
    read.font.italic = cursor.take<uint8_t>();
    read.font.charset = cursor.take<uint8_t>();
    read.font.typeface = cursor.text();
  }
  // Checked before anything is reserved: a damaged count must not size an allocation.
  if (!cursor.failed() && count > cursor.left() / kItemLeastBytes)
    return DialogTemplateStatus::Truncated;
  read.items.reserve(count);
  for (unsigned i = 0; i < count && !cursor.failed(); ++i) {
    cursor.align();
    read.items.push_back(readItem(cursor));
  }
  if (cursor.failed()) return cursor.status();
  dialog = std::move(read);
  return DialogTemplateStatus::Ok;
}

bool acceptDialogTemplate(const void* bytes, size_t size, DialogTemplate& dialog,
                          DialogTemplateStatus* status) {
  const DialogTemplateStatus read = readDialogTemplate(bytes, size, dialog);
  if (status != nullptr) *status = read;
  return read == DialogTemplateStatus::Ok;
}

const char* describe(DialogTemplateStatus status) {
  switch (status) {
    case DialogTemplateStatus::Ok:
      return "well-formed";
    case DialogTemplateStatus::NotExtended:
      return "not an extended dialog template";
    case DialogTemplateStatus::Truncated:
      return "a field or item runs past the end of the template";
    case DialogTemplateStatus::TextNotTerminated:
      return "a text of the template has no terminating null";
  }
  return "unknown status";
}

}  // namespace tz::platform

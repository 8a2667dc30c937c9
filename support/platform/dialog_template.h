// Dialog resources (type 5) in the original platform's extended layout, DLGTEMPLATEEX with
// DLGITEMTEMPLATEEX items, as plain values: the resource compiler writes them, the reader
// takes them apart for the window layer. The classic DLGTEMPLATE layout is not read.
//
// Layout, little-endian: dlgVer 1, signature 0xFFFF, helpID, exStyle, style, item count,
// x, y, cx, cy, then menu and class as a name-or-ordinal, the title, and when the style has
// DS_SETFONT the point size, weight, italic and charset bytes and the typeface. Every item
// starts on a 4-byte boundary of the template: helpID, exStyle, style, x, y, cx, cy, a 32-bit
// id, class and text as names-or-ordinals, a 16-bit count of creation-data bytes and those.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tz::platform {

constexpr uint16_t kResourceTypeDialog = 5;
constexpr uint32_t kDialogStyleSetFont = 0x40;  // DS_SETFONT; DS_SHELLFONT includes it

// The predefined window classes, written as ordinals.
enum class DialogClass : uint16_t {
  Button = 0x0080,
  Edit = 0x0081,
  Static = 0x0082,
  ListBox = 0x0083,
  ScrollBar = 0x0084,
  ComboBox = 0x0085,
};

// Their names as the system gives them to windows; a resource script may write them in any
// case.
inline constexpr struct {
  DialogClass windowClass;
  const char16_t* name;
} kDialogClassNames[] = {
    {DialogClass::Button, u"Button"},       {DialogClass::Edit, u"Edit"},
    {DialogClass::Static, u"Static"},       {DialogClass::ListBox, u"ListBox"},
    {DialogClass::ScrollBar, u"ScrollBar"}, {DialogClass::ComboBox, u"ComboBox"},
};

// A name or an ordinal: the ordinal form when isOrdinal, else name, which may be empty (the
// field is absent).
struct NameOrOrdinal {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  std::u16string name;

  static NameOrOrdinal of(uint16_t value) { return {true, value, {}}; }
  static NameOrOrdinal of(std::u16string text) { return {false, 0, std::move(text)}; }
  bool operator==(const NameOrOrdinal&) const = default;
};

struct DialogItem {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;
  NameOrOrdinal windowClass;
  NameOrOrdinal text;
  std::vector<uint8_t> creationData;  // at most 0xFFFF bytes
  bool operator==(const DialogItem&) const = default;
};

struct DialogFont {
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::u16string typeface;
  bool operator==(const DialogFont&) const = default;
};

struct DialogTemplate {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string title;
  DialogFont font;                // written and read only when style has DS_SETFONT
  std::vector<DialogItem> items;  // at most 0xFFFF
  bool operator==(const DialogTemplate&) const = default;
};

enum class DialogTemplateStatus {
  Ok,
  NotExtended,       // not version 1 with signature 0xFFFF (a classic template, or not one)
  Truncated,         // a field, an item or the item count runs past the end
  TextNotTerminated  // a name, title or typeface has no terminating null before the end
};

// Reads the template in the size bytes at bytes, which need no alignment; every count and
// length is checked against size, so damaged bytes give a status, never a read outside them.
// On failure dialog is left as it was.
DialogTemplateStatus readDialogTemplate(const void* bytes, size_t size, DialogTemplate& dialog);
// readDialogTemplate for a caller that passes the status on: status, when given, receives it.
// True when the template was read.
bool acceptDialogTemplate(const void* bytes, size_t size, DialogTemplate& dialog,
                          DialogTemplateStatus* status);
// A short English description of a status, for messages.
const char* describe(DialogTemplateStatus status);

// The extended template's bytes. Names must hold no null character and not start with
// U+FFFF (the ordinal mark), as the reader never yields them; the item count and each
// item's creation data are cut to what their 16-bit fields hold.
std::vector<uint8_t> writeDialogTemplate(const DialogTemplate& dialog);

}  // namespace tz::platform

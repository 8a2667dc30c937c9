#include "support/platform/tzrc/dialog_statement.h"

#include <string>

#include "support/platform/text_case.h"
#include "support/platform/text_encoding.h"

namespace tz::tzrc {

namespace {

using platform::DialogClass;
using platform::DialogItem;
using platform::DialogTemplate;
using platform::NameOrOrdinal;

constexpr uint32_t kChildVisible = 0x50000000;   // WS_CHILD | WS_VISIBLE
constexpr uint32_t kGroup = 0x00020000;          // WS_GROUP
constexpr uint32_t kTabStop = 0x00010000;        // WS_TABSTOP
constexpr uint32_t kBorder = 0x00800000;         // WS_BORDER
constexpr uint32_t kCaption = 0x00C00000;        // WS_CAPTION
constexpr uint32_t kDialogDefault = 0x80880000;  // WS_POPUP | WS_BORDER | WS_SYSMENU
constexpr uint8_t kDefaultCharset = 1;

// A control keyword: whether text comes first, its class and its default style.
struct ControlKeyword {
  const char* name;
  bool hasText;
  DialogClass windowClass;
  uint32_t style;
};

constexpr ControlKeyword kControlKeywords[] = {
    {"LTEXT", true, DialogClass::Static, 0x0 | kGroup},            // SS_LEFT
    {"RTEXT", true, DialogClass::Static, 0x2 | kGroup},            // SS_RIGHT
    {"CTEXT", true, DialogClass::Static, 0x1 | kGroup},            // SS_CENTER
    {"ICON", true, DialogClass::Static, 0x3},                      // SS_ICON
    {"EDITTEXT", false, DialogClass::Edit, kBorder | kTabStop},    // ES_LEFT
    {"COMBOBOX", false, DialogClass::ComboBox, 0x1 | kTabStop},    // CBS_SIMPLE
    {"LISTBOX", false, DialogClass::ListBox, 0x1 | kBorder},       // LBS_NOTIFY
    {"GROUPBOX", true, DialogClass::Button, 0x7},                  // BS_GROUPBOX
    {"PUSHBUTTON", true, DialogClass::Button, 0x0 | kTabStop},     // BS_PUSHBUTTON
    {"DEFPUSHBUTTON", true, DialogClass::Button, 0x1 | kTabStop},  // BS_DEFPUSHBUTTON
    {"CHECKBOX", true, DialogClass::Button, 0x2 | kTabStop},       // BS_CHECKBOX
    {"AUTOCHECKBOX", true, DialogClass::Button, 0x3 | kTabStop},   // BS_AUTOCHECKBOX
    {"RADIOBUTTON", true, DialogClass::Button, 0x4},               // BS_RADIOBUTTON
    {"AUTORADIOBUTTON", true, DialogClass::Button, 0x9},           // BS_AUTORADIOBUTTON
};

NameOrOrdinal classNamed(std::u16string name) {
  for (const auto& known : platform::kDialogClassNames)
    if (platform::compareWithoutCase(name, known.name) == 0)
      return NameOrOrdinal::of(static_cast<uint16_t>(known.windowClass));
  return NameOrOrdinal::of(std::move(name));
}

DialogTemplate withDefaultStyle() {
  DialogTemplate dialog;
  dialog.style = kDialogDefault;
  return dialog;
}

class DialogReader {
 public:
  DialogReader(StatementReader& in, bool extended) : in_(in), extended_(extended) {}

  DialogTemplate read(uint16_t& language) {
    while (StatementReader::isMemoryOption(in_.peek())) in_.next();
    rectangle(dialog_.x, dialog_.y, dialog_.cx, dialog_.cy);
    if (extended_ && in_.takeSymbol(",")) dialog_.helpId = number("a help id");
    options(language);
    controls();
    if (!dialog_.title.empty()) dialog_.style |= kCaption;
    if (hasFont_) dialog_.style |= platform::kDialogStyleSetFont;
    return std::move(dialog_);
  }

 private:
  uint32_t number(const char* what) { return static_cast<uint32_t>(in_.expression(what)); }

  int16_t coordinate(const char* what) {
    const Token& head = in_.peek();
    const SourcePlace place = head.place;
    const int32_t value = in_.expression(what);
    if (value < -32768 || value > 32767)
      throw ScriptError(
          place, std::string(what) + " " + std::to_string(value) + " does not fit in 16 bits");
    return static_cast<int16_t>(value);
  }

  void rectangle(int16_t& x, int16_t& y, int16_t& cx, int16_t& cy) {
    x = coordinate("an x coordinate");
    in_.expectSymbol(",", "after x");
    y = coordinate("a y coordinate");
    in_.expectSymbol(",", "after y");
    cx = coordinate("a width");
    in_.expectSymbol(",", "after the width");
    cy = coordinate("a height");
  }

  std::u16string string(const char* what) {
    const Token token = in_.next();
    if (token.kind != TokenKind::String)
      throw ScriptError(token.place, std::string(what) + " expected, not " + describe(token));
    return token.value;
  }

  // A string, or a number for an ordinal.
  NameOrOrdinal stringOrOrdinal(const char* what) {
    if (in_.peek().kind == TokenKind::String) return NameOrOrdinal::of(in_.next().value);
    const SourcePlace place = in_.peek().place;
    const int32_t value = in_.expression(what);
    if (value < 0 || value > 0xFFFF)
      throw ScriptError(place,
                        std::string(what) + " " + std::to_string(value) + " is outside 0..65535");
    return NameOrOrdinal::of(static_cast<uint16_t>(value));
  }

  void options(uint16_t& language) {
    const char* statement = extended_ ? "DIALOGEX" : "DIALOG";
    for (;;) {
      const Token token = in_.next();
      if (StatementReader::isBlockStart(token)) return;
      const std::string& option = token.kind == TokenKind::Name ? token.text : std::string();
      if (option == "STYLE") {
        dialog_.style = in_.style(0, "a style");
      } else if (option == "EXSTYLE") {
        dialog_.exStyle = in_.style(0, "an extended style");
      } else if (option == "CAPTION") {
        dialog_.title = string("a caption string");
      } else if (option == "FONT") {
        font();
      } else if (option == "MENU") {
        dialog_.menu = menuName();
      } else if (option == "CLASS") {
        dialog_.windowClass = stringOrOrdinal("a class");
      } else if (option == "LANGUAGE") {
        language = in_.languageOperands(token);
      } else if (option == "CHARACTERISTICS" || option == "VERSION") {
        number("a number");
      } else {
        throw ScriptError(token.place, std::string("BEGIN expected after ") + statement + ", not " +
                                           describe(token));
      }
    }
  }

  // A menu is named by a number, or by a name that no macro defines, kept in upper case.
  NameOrOrdinal menuName() {
    if (in_.peek().kind == TokenKind::Name) {
      std::string name = in_.next().text;
      for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      return NameOrOrdinal::of(platform::utf16FromUtf8(name));
    }
    return stringOrOrdinal("a menu");
  }

  void font() {
    const int32_t size = in_.expression("a point size");
    in_.expectSymbol(",", "after the point size");
    dialog_.font = {static_cast<uint16_t>(size), 0, 0, kDefaultCharset,
                    string("a typeface string")};
    hasFont_ = true;
    if (!extended_ || !in_.takeSymbol(",")) return;
    dialog_.font.weight = static_cast<uint16_t>(number("a weight"));
    if (!in_.takeSymbol(",")) return;
    dialog_.font.italic = static_cast<uint8_t>(number("an italic flag"));
    if (!in_.takeSymbol(",")) return;
    dialog_.font.charset = static_cast<uint8_t>(number("a character set"));
  }

  void controls() {
    for (;;) {
      const Token token = in_.next();
      if (StatementReader::isBlockEnd(token)) return;
      if (token.kind == TokenKind::End)
        throw ScriptError(token.place, "END of the dialog expected before the end of the file");
      if (dialog_.items.size() == 0xFFFF)
        throw ScriptError(token.place, "more than 65535 controls in one dialog");
      if (token.kind == TokenKind::Name && token.text == "CONTROL") {
        dialog_.items.push_back(genericControl());
        continue;
      }
      const ControlKeyword* keyword = nullptr;
      for (const ControlKeyword& known : kControlKeywords)
        if (token.kind == TokenKind::Name && token.text == known.name) keyword = &known;
      if (keyword == nullptr)
        throw ScriptError(token.place, "control statement or END expected, not " + describe(token));
      dialog_.items.push_back(control(*keyword));
    }
  }

  // KEYWORD [text,] id, x, y, cx, cy [, style [, exstyle [, helpid]]]; ICON's size is optional.
  DialogItem control(const ControlKeyword& keyword) {
    DialogItem item;
    item.windowClass = NameOrOrdinal::of(static_cast<uint16_t>(keyword.windowClass));
    item.text = NameOrOrdinal::of(u"");
    if (keyword.hasText) {
      item.text = stringOrOrdinal("a control text");
      in_.expectSymbol(",", "after the control text");
    }
    item.id = number("a control id");
    in_.expectSymbol(",", "after the control id");
    item.x = coordinate("an x coordinate");
    in_.expectSymbol(",", "after x");
    item.y = coordinate("a y coordinate");
    item.style = keyword.style | kChildVisible;
    const bool icon = keyword.windowClass == DialogClass::Static && keyword.style == 0x3;
    if (icon && !in_.takeSymbol(",")) return item;
    if (!icon) in_.expectSymbol(",", "after y");
    item.cx = coordinate("a width");
    in_.expectSymbol(",", "after the width");
    item.cy = coordinate("a height");
    if (in_.takeSymbol(",")) item.style = in_.style(item.style, "a style");
    trailing(item);
    return item;
  }

  // CONTROL text, id, class, style, x, y, cx, cy [, exstyle [, helpid]]
  DialogItem genericControl() {
    DialogItem item;
    item.text = stringOrOrdinal("a control text");
    in_.expectSymbol(",", "after the control text");
    item.id = number("a control id");
    in_.expectSymbol(",", "after the control id");
    const Token& head = in_.peek();
    if (head.kind == TokenKind::String || head.kind == TokenKind::Name)
      item.windowClass =
          classNamed(head.kind == TokenKind::String ? in_.next().value
                                                    : platform::utf16FromUtf8(in_.next().text));
    else
      item.windowClass = stringOrOrdinal("a class");
    in_.expectSymbol(",", "after the class");
    item.style = in_.style(kChildVisible, "a style");
    in_.expectSymbol(",", "after the style");
    rectangle(item.x, item.y, item.cx, item.cy);
    trailing(item);
    return item;
  }

  // [, exstyle [, helpid]]; the help id only in DIALOGEX.
  void trailing(DialogItem& item) {
    if (!in_.takeSymbol(",")) return;
    item.exStyle = in_.style(0, "an extended style");
    if (extended_ && in_.takeSymbol(",")) item.helpId = number("a help id");
  }

  StatementReader& in_;
  const bool extended_;
  DialogTemplate dialog_ = withDefaultStyle();
  bool hasFont_ = false;
};

}  // namespace

platform::DialogTemplate readDialogStatement(StatementReader& in, bool extended,
                                             uint16_t& language) {
  return DialogReader(in, extended).read(language);
}

}  // namespace tz::tzrc

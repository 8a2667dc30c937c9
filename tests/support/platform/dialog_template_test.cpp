// Dialog statements through the resource compiler and back through the template reader, and
// the reader on damaged templates.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/dialog_template.h"
#include "support/platform/resource_directory.h"
#include "support/platform/tzrc/resource_compiler.h"
#include "tests/common/scratch_folder.h"

namespace {

using tz::platform::DialogItem;
using tz::platform::DialogTemplate;
using tz::platform::DialogTemplateStatus;
using tz::platform::NameOrOrdinal;

struct DialogTemplateTest : ::testing::Test {
  tz::test::ScratchFolder temp;

  // The bytes of dialog id in language, compiled from script.
  std::vector<uint8_t> compiled(const std::string& script, uint16_t id, uint16_t language) {
    const auto path = temp.path / "dialog.rc";
    std::ofstream(path, std::ios::binary) << script;
    const std::vector<uint8_t> bytes = tz::tzrc::compileScripts({path.string()});
    const tz::platform::ResourceDirectory directory(bytes.data(), bytes.size());
    const auto* entry = directory.find(tz::platform::ResourceKey::id(5),
                                       tz::platform::ResourceKey::id(id), language);
    if (entry == nullptr) return {};
    const auto* data = static_cast<const uint8_t*>(directory.data(*entry));
    return {data, data + entry->size};
  }
  DialogTemplate read(const std::vector<uint8_t>& bytes) {
    DialogTemplate dialog;
    EXPECT_EQ(DialogTemplateStatus::Ok, readDialogTemplate(bytes.data(), bytes.size(), dialog));
    return dialog;
  }
};

DialogItem item(uint16_t windowClass, std::u16string text, uint32_t id, uint32_t style,
                std::array<int16_t, 4> box, uint32_t exStyle = 0, uint32_t helpId = 0) {
  return {helpId,
          exStyle,
          style,
          box[0],
          box[1],
          box[2],
          box[3],
          id,
          NameOrOrdinal::of(windowClass),
          NameOrOrdinal::of(std::move(text)),
          {}};
}

TEST_F(DialogTemplateTest, EveryOptionAndControlKeywordReadsBackAsWritten) {
  const std::vector<uint8_t> bytes = compiled(
      "#include <windows.h>\n#define IDD_ALL 300\n#define TBS_X 0x10\nLANGUAGE LANG_GERMAN, "
      "SUBLANG_GERMAN\n"
      "IDD_ALL DIALOGEX DISCARDABLE -5, 6, 200, 100, 77\n"
      "STYLE DS_MODALFRAME | WS_POPUP | (WS_CAPTION | WS_SYSMENU) | NOT WS_SYSMENU\n"
      "EXSTYLE WS_EX_CONTEXTHELP\nCAPTION \"Einstellungen\"\nMENU IDR_Main\n"
      "CLASS \"MyDialog\"\nFONT 9, \"MS Shell Dlg\", FW_BOLD, 1, SHIFTJIS_CHARSET\n"
      "LANGUAGE LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN\nBEGIN\n"
      "  LTEXT \"&Left\", IDC_STATIC, 1, 2, 3, 4\n"
      "  RTEXT \"Right\", 11, 1, 2, 3, 4, SS_NOPREFIX | NOT WS_GROUP, WS_EX_RIGHT, 99\n"
      "  CTEXT \"Centre\", 12, 1, 2, 3, 4\n"
      "  ICON 101, 13, 5, 6\n"
      "  EDITTEXT 14, 1, 2, 3, 4, ES_NUMBER | NOT WS_BORDER\n"
      "  COMBOBOX 15, 1, 2, 3, 4, CBS_DROPDOWNLIST | WS_VSCROLL\n"
      "  GROUPBOX \"Group\", 16, 1, 2, 3, 4\n"
      "  PUSHBUTTON \"Push\", 17, 1, 2, 3, 4\n"
      "  DEFPUSHBUTTON \"OK\", IDOK, 1, 2, 3, 4\n"
      "  CHECKBOX \"Check\", 18, 1, 2, 3, 4\n"
      "  AUTOCHECKBOX \"Auto\", 19, 1, 2, 3, 4\n"
      "  CONTROL \"Slider\", 20, \"msctls_trackbar32\", TBS_X | WS_TABSTOP, 1, 2, 3, 4, 0, 5\n"
      "  CONTROL \"\", 21, button, BS_AUTORADIOBUTTON, -1, -2, 32767, -32768\n"
      "  CONTROL \"\", 22, \"Edit\", 0, 1, 2, 3, 4\n"
      "END\n",
      300, 0x0411);
  ASSERT_FALSE(bytes.empty()) << "the LANGUAGE option sets the dialog's language";
  const DialogTemplate dialog = read(bytes);
  EXPECT_EQ(77u, dialog.helpId);
  EXPECT_EQ(0x400u, dialog.exStyle);
  EXPECT_EQ(0x80C00080u | 0x40, dialog.style) << "STYLE replaces the default; NOT clears";
  EXPECT_EQ((std::array<int16_t, 4>{-5, 6, 200, 100}),
            (std::array{dialog.x, dialog.y, dialog.cx, dialog.cy}));
  EXPECT_EQ(NameOrOrdinal::of(u"IDR_MAIN"), dialog.menu);
  EXPECT_EQ(NameOrOrdinal::of(u"MyDialog"), dialog.windowClass);
  EXPECT_EQ(u"Einstellungen", dialog.title);
  EXPECT_EQ((tz::platform::DialogFont{9, 700, 1, 128, u"MS Shell Dlg"}), dialog.font);

  constexpr uint32_t kChild = 0x50000000, kGroup = 0x20000, kTab = 0x10000, kBorder = 0x800000;
  const std::vector<DialogItem> expected = {
      item(0x82, u"&Left", 0xFFFFFFFF, kChild | kGroup, {1, 2, 3, 4}),
      item(0x82, u"Right", 11, kChild | 0x82, {1, 2, 3, 4}, 0x1000, 99),
      item(0x82, u"Centre", 12, kChild | kGroup | 1, {1, 2, 3, 4}),
      {0, 0, kChild | 3, 5, 6, 0, 0, 13, NameOrOrdinal::of(0x82), NameOrOrdinal::of(101), {}},
      item(0x81, u"", 14, kChild | kTab | 0x2000, {1, 2, 3, 4}),
      item(0x85, u"", 15, kChild | kTab | 0x200000 | 3, {1, 2, 3, 4}),
      item(0x80, u"Group", 16, kChild | 7, {1, 2, 3, 4}),
      item(0x80, u"Push", 17, kChild | kTab, {1, 2, 3, 4}),
      item(0x80, u"OK", 1, kChild | kTab | 1, {1, 2, 3, 4}),
      item(0x80, u"Check", 18, kChild | kTab | 2, {1, 2, 3, 4}),
      item(0x80, u"Auto", 19, kChild | kTab | 3, {1, 2, 3, 4}),
      {5,
       0,
       kChild | kTab | 0x10,
       1,
       2,
       3,
       4,
       20,
       NameOrOrdinal::of(u"msctls_trackbar32"),
       NameOrOrdinal::of(u"Slider"),
       {}},
      item(0x80, u"", 21, kChild | 9, {-1, -2, 32767, -32768}),
      item(0x81, u"", 22, kChild, {1, 2, 3, 4}),
  };
  ASSERT_EQ(expected.size(), dialog.items.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], dialog.items[i]) << i;
  EXPECT_EQ(bytes, tz::platform::writeDialogTemplate(dialog));
  EXPECT_EQ(0u, kBorder & dialog.items[4].style) << "NOT clears a keyword's default style";
}

TEST_F(DialogTemplateTest, PlainDialogTakesTheDefaultStyleAndTheExtendedLayout) {
  const std::vector<uint8_t> bytes =
      compiled("1 DIALOG 0, 0, 10, 20\nCAPTION \"T\"\nFONT 8, \"MS Sans Serif\"\n{\n}\n", 1, 0);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(0xFFFF0001u, bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
  const DialogTemplate dialog = read(bytes);
  EXPECT_EQ(0x80880000u | 0x00C00000 | 0x40, dialog.style);
  EXPECT_EQ((tz::platform::DialogFont{8, 0, 0, 1, u"MS Sans Serif"}), dialog.font);
  EXPECT_TRUE(dialog.items.empty());
}

// The template of the first test cut, padded, miscounted and unterminated.
TEST_F(DialogTemplateTest, DamagedTemplatesFailWithAStatusAndLeaveTheResultAlone) {
  const std::vector<uint8_t> good = compiled(
      "1 DIALOGEX 0, 0, 10, 20\nCAPTION \"Title\"\nFONT 8, \"Face\"\nBEGIN\n"
      "  LTEXT \"a\", 1, 0, 0, 1, 1\n  CONTROL \"b\", 2, \"Custom\", 0, 0, 0, 1, 1\nEND\n",
      1, 0);
  const DialogTemplate sentinel = read(good);
  DialogTemplate dialog = sentinel;
  dialog.title = u"unchanged";
  const DialogTemplate before = dialog;
  for (size_t size = 0; size < good.size(); ++size) {
    // Copied so that the sanitizer sees any read past the cut.
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
    const DialogTemplateStatus status = readDialogTemplate(cut.data(), cut.size(), dialog);
    EXPECT_NE(DialogTemplateStatus::Ok, status) << size;
    EXPECT_EQ(before, dialog) << size;
  }
  EXPECT_EQ(DialogTemplateStatus::Truncated, readDialogTemplate(nullptr, 100, dialog));

  auto damaged = [&](size_t at, std::vector<uint8_t> patch) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(bytes.data() + at, patch.data(), patch.size());
    return readDialogTemplate(bytes.data(), bytes.size(), dialog);
  };
  EXPECT_EQ(DialogTemplateStatus::NotExtended, damaged(0, {0x40, 0x00, 0xC8, 0x80}))
      << "a classic DLGTEMPLATE";
  EXPECT_EQ(DialogTemplateStatus::Truncated, damaged(16, {0xFF, 0xFF})) << "65535 items";
  EXPECT_EQ(DialogTemplateStatus::Truncated, damaged(16, {3, 0})) << "one item too many";
  EXPECT_EQ(DialogTemplateStatus::Truncated, damaged(good.size() - 2, {0xFF, 0xFF}))
      << "creation data past the end";
  std::vector<uint8_t> open = good;
  open.resize(26 + 4 + 2 * 5);  // no menu, no class, the title without its null
  EXPECT_EQ(DialogTemplateStatus::TextNotTerminated,
            readDialogTemplate(open.data(), open.size(), dialog));
  EXPECT_EQ(before, dialog);

  // Creation data is kept and written back at its place.
  DialogTemplate withData = sentinel;
  withData.items[0].creationData = {1, 2, 3};
  const std::vector<uint8_t> bytes = writeDialogTemplate(withData);
  EXPECT_EQ(DialogTemplateStatus::Ok, readDialogTemplate(bytes.data(), bytes.size(), dialog));
  EXPECT_EQ(withData, dialog);
}

}  // namespace

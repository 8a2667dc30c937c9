// Dialogs on the layer's windows (records without a display, the system's own on Windows): a
// template laid out in pixels with its dialog units, the procedure hearing the layer's messages
// in order, and hostile templates and stale handles answered with a status, never a fault.
#include <gtest/gtest.h>

#include <vector>

#include "dialog_pixels.h"
#include "support/platform/combo_box.h"
#include "support/platform/dialog.h"
#include "support/platform/window.h"
#include "support/platform/window_input.h"
#include "wine.h"

namespace tz::platform {
namespace {

struct Call {
  HWND dialog;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};
std::vector<Call> calls;
bool destroyWhileStarting = false;
HelpInfo lastHelp;  // the record lives only during the call

// The messages of dialog.h; a system's dialog also hears many of its own (fonts, colours,
// painting, the edit's EN_UPDATE), which the layer's users answer with 0.
bool isLayerMessage(uint32_t message, uintptr_t wParam) {
  const uint16_t code = static_cast<uint16_t>(wParam >> 16);
  if (message == kMessageCommand)
    return code == kEditChange || code == kEditKillFocus || code == kComboSelectionChange;
  return message == kMessageInitDialog || message == kMessageHelp || message == kMessageDestroy;
}

intptr_t recordingProcedure(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (isLayerMessage(message, wParam)) calls.push_back({dialog, message, wParam, lParam});
  if (message == kMessageHelp) lastHelp = *reinterpret_cast<const HelpInfo*>(lParam);
  if (message == kMessageInitDialog && destroyWhileStarting) destroyWindow(dialog);
  return message == kMessageHelp ? 7 : 0;
}

DialogItem item(uint16_t windowClass, uint32_t id, int16_t x, int16_t y, int16_t cx, int16_t cy,
                uint32_t style) {
  DialogItem made;
  made.windowClass = NameOrOrdinal::of(windowClass);
  made.id = id;
  made.x = x, made.y = y, made.cx = cx, made.cy = cy;
  made.style = style | kStyleChild;
  made.helpId = id + 100;
  return made;
}

// A 10-point dialog (base units 8 × 16 in the headless layout) with an edit, a combo box, a hidden
// static and a control of a named class.
std::vector<uint8_t> sampleTemplate() {
  DialogTemplate dialog;
  dialog.style = kDialogStyleSetFont | kStyleChild;
  dialog.x = 4, dialog.y = 8, dialog.cx = 100, dialog.cy = 50;
  dialog.title = u"Sample";
  dialog.font = {10, 400, 0, 1, u"Tahoma"};
  dialog.items = {item(0x81, 11, 10, 4, 30, 12, kStyleVisible | 0x10000),
                  item(0x85, 12, 10, 20, 40, 60, kStyleVisible),
                  item(0x82, 0xFFFFFFFF, 0, 0, 5, 5, 0), item(0x85, 14, 1, 1, 1, 1, 0)};
  dialog.items[2].text = NameOrOrdinal::of(std::u16string(u"&Label"));
  dialog.items[3].windowClass = NameOrOrdinal::of(std::u16string(u"msctls_trackbar32"));
  return writeDialogTemplate(dialog);
}

// A frame to put dialogs in; without one no window can be made here (Wine without a display).
// Hidden: under Wine without a window manager, a shown top-level window takes seconds to go.
HWND makeFrame() {
  return createWindow({u"Frame", u"", 0, {0, 0, 640, 480}, nullptr, 1});
}
constexpr char kNoDisplay[] = "no window can be made: no display (run under xvfb-run)";

TEST(DialogWindows, WindowsMoveShowAndKeepTheirIdsUserDataAndFonts) {
  const HWND frame = makeFrame();
  if (frame == nullptr) GTEST_SKIP() << kNoDisplay;
  EXPECT_EQ(desktopWindow(), parentOf(frame));
  EXPECT_EQ(1, windowId(frame)) << "a top-level window keeps its id too";
  const uint32_t shown = kStyleChild | kStyleVisible;
  const HWND first = createWindow({u"Static", u"one", shown, {10, 20, 110, 40}, frame, 7});
  const HWND second = createWindow({u"Static", u"two", shown, {0, 0, 10, 10}, frame, 8});
  ASSERT_NE(nullptr, second);
  EXPECT_EQ((std::vector<HWND>{first, second}), childrenOf(frame)) << "in creation order";
  EXPECT_EQ(second, childWithId(frame, 8));
  EXPECT_EQ(frame, parentOf(first));
  EXPECT_EQ(nullptr, createWindow({u"Static", u"", shown, {}, reinterpret_cast<HWND>(0x5555), 9}));

  WindowRect rect;
  ASSERT_TRUE(windowRect(first, rect));
  EXPECT_EQ((WindowRect{10, 20, 110, 40}), rect) << "relative to the parent";
  EXPECT_TRUE(moveWindow(first, {5, 6, 55, 26}, true));
  ASSERT_TRUE(windowRect(first, rect));
  EXPECT_EQ((WindowRect{5, 6, 55, 26}), rect);
  EXPECT_EQ(1u, repaintCount(first));
  EXPECT_TRUE(showWindow(first, kShowHide)) << "it was visible";
  EXPECT_FALSE(isVisible(first));
  EXPECT_FALSE(showWindow(first, kShow));
  EXPECT_TRUE(isVisible(first));
  EXPECT_TRUE(setWindowUserData(first, -3));
  EXPECT_EQ(-3, windowUserData(first));
  EXPECT_TRUE(setWindowFont(frame, {u"Arial", 12}));
  EXPECT_EQ(u"Arial", windowFont(second).face) << "the children get the font";
  EXPECT_EQ(12, windowFont(second).pointSize);

  EXPECT_TRUE(destroyWindow(frame));
  EXPECT_FALSE(isWindow(second));
  EXPECT_FALSE(moveWindow(first, {0, 0, 1, 1}, true));
  EXPECT_EQ(0, windowUserData(first));
}

TEST(DialogWindows, ATemplateBecomesWindowsInPixelsAndTheProcedureHearsItsLife) {
  calls.clear();
  const HWND frame = makeFrame();
  if (frame == nullptr) GTEST_SKIP() << kNoDisplay;
  const std::vector<uint8_t> bytes = sampleTemplate();
  DialogTemplateStatus status{};
  const HWND dialog =
      createDialog(bytes.data(), bytes.size(), frame, &recordingProcedure, 42, &status);
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(DialogTemplateStatus::Ok, status);
  WindowRect rect;
  ASSERT_TRUE(windowRect(dialog, rect));
  EXPECT_EQ(tz::test::dialogUnitsInPixels(dialog, 4, 8, 100, 50), rect);
  EXPECT_EQ(u"#32770", className(dialog));
  EXPECT_EQ(u"Sample", windowText(dialog));
  EXPECT_EQ(u"Tahoma", windowFont(dialog).face);
  const HWND edit = childWithId(dialog, 11), combo = childWithId(dialog, 12);
  EXPECT_EQ(u"Edit", className(edit));
  EXPECT_EQ(u"ComboBox", className(combo));
  EXPECT_EQ(u"msctls_trackbar32", className(childWithId(dialog, 14)));
  ASSERT_TRUE(windowRect(combo, rect));
  EXPECT_EQ(tz::test::dialogUnitsInPixels(dialog, 10, 20, 40, 60), rect);
  EXPECT_FALSE(isVisible(childWithId(dialog, -1)));
  EXPECT_EQ(u"&Label", windowText(childWithId(dialog, -1)));
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(kMessageInitDialog, calls[0].message);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(edit), calls[0].wParam) << "the first tab stop";
  EXPECT_EQ(42, calls[0].lParam);

  ASSERT_TRUE(typeText(edit, u"12345"));
  char16_t text[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(3, copyWindowText(edit, text, 4));
  EXPECT_EQ(u"123", std::u16string(text));
  EXPECT_EQ(0, copyWindowText(edit, text, 0));
  EXPECT_TRUE(leaveControl(edit));
  EXPECT_FALSE(leaveControl(combo)) << "a combo box sends no edit notification";
  EXPECT_EQ(0, comboAddItem(combo, u"a"));
  EXPECT_EQ(1, comboAddItem(combo, u"b"));
  EXPECT_TRUE(comboSetItemData(combo, 1, -15));
  EXPECT_FALSE(comboSetItemData(combo, 2, 1));
  EXPECT_EQ(kNoItem, comboItemData(combo, -1));
  EXPECT_FALSE(chooseItem(combo, 2));
  EXPECT_EQ(kNoItem, comboSelection(combo));
  EXPECT_TRUE(chooseItem(combo, 1));
  EXPECT_EQ(kNoItem, comboAddItem(edit, u"not a combo box"));
  EXPECT_EQ(7, askForHelp(edit));
  ASSERT_EQ(5u, calls.size());
  EXPECT_EQ(commandParameter(11, kEditChange), calls[1].wParam);
  EXPECT_EQ(commandParameter(11, kEditKillFocus), calls[2].wParam);
  EXPECT_EQ(commandParameter(12, kComboSelectionChange), calls[3].wParam);
  EXPECT_EQ(kMessageHelp, calls[4].message);
  EXPECT_EQ(edit, lastHelp.control);
  EXPECT_EQ(11, lastHelp.controlId);
  EXPECT_EQ(windowHelpId(edit), lastHelp.contextId);
  // Wine's dialog manager leaves the template's help ids out.
  if (!tz::test::runningUnderWine()) {
    EXPECT_EQ(111u, lastHelp.contextId) << "the item's help id";
  }

  // The frame goes with its dialog: the dialog hears kMessageDestroy while still a window.
  calls.clear();
  EXPECT_TRUE(destroyWindow(frame));
  ASSERT_EQ(1u, calls.size());
  EXPECT_EQ(kMessageDestroy, calls[0].message);
  for (HWND gone : {frame, dialog, edit, combo}) EXPECT_FALSE(isWindow(gone));
  EXPECT_FALSE(setWindowText(edit, u"stale"));
  EXPECT_EQ(u"", windowText(edit));
  EXPECT_FALSE(destroyWindow(dialog));
  EXPECT_FALSE(destroyWindow(desktopWindow()));
}

TEST(DialogWindows, HostileTemplatesAndParentsGiveNoDialog) {
  calls.clear();
  const HWND frame = makeFrame();
  if (frame == nullptr) GTEST_SKIP() << kNoDisplay;
  destroyWindow(frame);
  std::vector<uint8_t> bytes = sampleTemplate();
  DialogTemplateStatus status{};
  EXPECT_EQ(nullptr,
            createDialog(bytes.data(), bytes.size() - 1, nullptr, &recordingProcedure, 0, &status));
  EXPECT_EQ(DialogTemplateStatus::Truncated, status);
  EXPECT_EQ(nullptr, createDialog(nullptr, 100, nullptr, &recordingProcedure, 0, &status));
  bytes[2] = 0;  // no longer the extended signature
  EXPECT_EQ(nullptr,
            createDialog(bytes.data(), bytes.size(), nullptr, &recordingProcedure, 0, &status));
  EXPECT_EQ(DialogTemplateStatus::NotExtended, status);
  bytes = sampleTemplate();
  EXPECT_EQ(nullptr, createDialog(bytes.data(), bytes.size(), reinterpret_cast<HWND>(0x5555),
                                  &recordingProcedure, 0));
  EXPECT_TRUE(calls.empty()) << "no procedure runs for a dialog never made";
  const size_t topLevel = childrenOf(desktopWindow()).size();
  destroyWhileStarting = true;
  EXPECT_EQ(nullptr, createDialog(bytes.data(), bytes.size(), nullptr, &recordingProcedure, 0));
  destroyWhileStarting = false;
  EXPECT_EQ(topLevel, childrenOf(desktopWindow()).size());
}

}  // namespace
}  // namespace tz::platform

// The driver's property page driven as a host drives it, through raw slots, with the dialog's
// controls read and typed into through the headless window layer, in each language.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_pixels.h"
#include "help_engine.h"
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/driver_property_page.h"
#include "kaudio/audiodrvs/ReWire/resources/resource.h"
#include "support/lang/lang_context.h"
#include "support/platform/combo_box.h"
#include "support/platform/context_help.h"
#include "support/platform/data_module.h"
#include "support/platform/dialog.h"
#include "support/platform/resources.h"
#include "support/platform/task_memory.h"
#include "support/platform/window.h"
#include "support/platform/window_input.h"
#include "tests/common/scratch_folder.h"
#include "tests/kaudio/audiodrvs/ReWire/host/device_test_access.h"
#include "wine.h"

namespace tz::rewire {
namespace {

using namespace tz::platform;
using tz::test::dialogUnitsInPixels;
using tz::test::runningUnderWine;

// IPropertyPage through its slots, as a host built against the binary interface calls it.
struct PageSlots {
  void* page;
  // Slot n, stdcall with the object first.
  template <typename Result = HRESULT, typename... Args>
  Result call(int n, Args... args) {
    using Function = Result(TZ_COM*)(void*, Args...);
    return reinterpret_cast<Function>((*static_cast<void***>(page))[n])(page, args...);
  }
  ULONG release() { return call<ULONG>(2); }
  HRESULT setPageSite(IPropertyPageSite* site) { return call(3, site); }
  HRESULT activate(HWND parent, const RECT* rect) { return call(4, parent, rect, BOOL{0}); }
  HRESULT deactivate() { return call(5); }
  HRESULT pageInfo(PROPPAGEINFO* info) { return call(6, info); }
  HRESULT setObjects(ULONG count, IUnknown** objects) { return call(7, count, objects); }
  HRESULT show(UINT command) { return call(8, command); }
  HRESULT move(const RECT* rect) { return call(9, rect); }
  HRESULT isPageDirty() { return call(10); }
  HRESULT apply() { return call(11); }
  HRESULT help() { return call(12, static_cast<const WCHAR*>(u"x")); }
  HRESULT translateAccelerator() { return call(13, static_cast<MSG*>(nullptr)); }
  HWND dialog() const { return static_cast<CReWireDriverPPage*>(page)->dialog(); }
};

// A host's page site and a foreign object; each counts its references.
struct CountedUnknown : IPropertyPageSite {
  ULONG count = 1;
  bool answersAudioDevice = false;
  HRESULT TZ_COM QueryInterface(const IID& riid, void** out) override {
    *out = nullptr;
    if (!answersAudioDevice || !(riid == IID_IAudioDevice)) return E_NOINTERFACE;
    *out = this;
    ++count;
    return S_OK;
  }
  ULONG TZ_COM AddRef() override { return ++count; }
  ULONG TZ_COM Release() override { return --count; }
  HRESULT TZ_COM OnStatusChange(DWORD) override { return S_OK; }
  HRESULT TZ_COM GetLocaleID(LCID*) override { return E_NOTIMPL; }
  HRESULT TZ_COM GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
  HRESULT TZ_COM TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// The language module, read once and kept for the program's life: the module-wide context
// keeps pointing at the last one given.
const DataModule& languageModule() {
  static DataModule module;
  if (!module.loaded()) module.load(TZ_LANGUAGE_FILE);
  return module;
}

void useLanguage(const void* languageModule, LCID locale) {
  TzLang_ChangeLangInst(lang::moduleLanguage(),
                        static_cast<HINSTANCE>(const_cast<void*>(languageModule)));
  TzLang_UpdateKernelLCID(lang::moduleLanguage(), locale, 0);
}

ULONG countOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

struct DriverPage : ::testing::Test {
  CReWireAudioDevice* device = new CReWireAudioDevice(nullptr);
  // Hidden: a shown top-level window under Wine starts a desktop process that outlives the test.
  HWND frame = createWindow({u"PropertySheet", u"", 0, {0, 0, 800, 600}, nullptr, 0});
  PageSlots page{};
  CountedUnknown site;

  void SetUp() override {
    ASSERT_TRUE(languageModule().loaded());
    device->AddRef();
    device->extraChannels = 2;
    device->extraMonoChannels = 2;
    ASSERT_EQ(E_NOINTERFACE, device->CreatePropertyPage(IID_IAudioDevice, &page.page));
    ASSERT_EQ(S_OK, device->CreatePropertyPage(IID_IPropertyPage, &page.page));
    clearContextHelpRequests();
  }
  void TearDown() override {
    useLanguage(languageModule().instance(), 1033);
    destroyWindow(frame);
    EXPECT_EQ(0u, device->Release());
  }
  IUnknown* deviceObject() { return static_cast<IAudioDevice2*>(device); }
  HWND control(int32_t id) { return childWithId(page.dialog(), id); }
  // Types text into an edit and leaves it; what the edit shows then.
  std::u16string enter(int32_t id, std::u16string_view text) {
    EXPECT_TRUE(typeText(control(id), text));
    EXPECT_TRUE(leaveControl(control(id)));
    return windowText(control(id));
  }
  // SetObjects, SetPageSite and Activate, as a host opens the page.
  void open() {
    IUnknown* objects[] = {deviceObject()};
    ASSERT_EQ(S_OK, page.setObjects(1, objects));
    ASSERT_EQ(S_OK, page.setPageSite(&site));
    const RECT rect{10, 20, 400, 220};
    ASSERT_EQ(S_OK, page.activate(frame, &rect));
  }
};

TEST_F(DriverPage, AHostSessionEditsTheDeviceAtOnceAndLeavesNothingBehind) {
  open();
  EXPECT_EQ(static_cast<CReWireDriverPPage*>(page.page), device->page());
  EXPECT_EQ(2u, site.count) << "the site is held";
  PROPPAGEINFO info{};
  info.cb = 40;
  ASSERT_EQ(S_OK, page.pageInfo(&info));
  EXPECT_EQ(28u, info.cb);
  EXPECT_EQ(u"ReWire Driver", std::u16string(info.pszTitle));
  taskFree(info.pszTitle);
  // 250 × 111 dialog units in the page's font (without a display 375 × 180: base units 6 × 13).
  ASSERT_NE(nullptr, page.dialog());
  const WindowRect extent = dialogUnitsInPixels(page.dialog(), 0, 0, 250, 111);
  EXPECT_EQ(extent.width(), info.size.cx);
  EXPECT_EQ(extent.height(), info.size.cy);
  EXPECT_EQ(frame, parentOf(page.dialog()));
  WindowRect rect;
  windowRect(page.dialog(), rect);
  EXPECT_EQ((WindowRect{10, 20, 400, 220}), rect);
  EXPECT_FALSE(isVisible(page.dialog()));
  EXPECT_EQ(S_OK, page.show(kShowNormal));
  EXPECT_TRUE(isVisible(page.dialog()));
  // Wine's dialog manager names the shell font by the face it stands for.
  EXPECT_EQ(runningUnderWine() ? u"MS Sans Serif" : u"MS Shell Dlg",
            windowFont(page.dialog()).face);

  EXPECT_EQ(u"1", windowText(control(IDC_EXTRA_STEREO))) << "2 extra channels, one port";
  EXPECT_EQ(u"2", windowText(control(IDC_EXTRA_MONO)));
  EXPECT_EQ(u"26", enter(IDC_EXTRA_STEREO, u"30"));
  EXPECT_EQ(52u, device->extraChannels);
  EXPECT_EQ(u"26", enter(IDC_EXTRA_STEREO, u"x")) << "a letter keeps the value";
  EXPECT_EQ(u"0", enter(IDC_EXTRA_STEREO, u"-4"));
  EXPECT_EQ(0u, device->extraChannels);
  EXPECT_EQ(u"", enter(IDC_EXTRA_STEREO, u"")) << "an empty field changes nothing";
  EXPECT_EQ(0u, device->extraChannels);
  const std::pair<std::u16string_view, std::u16string_view> mono[] = {
      {u"5", u"6"}, {u"3", u"4"}, {u"32", u"32"}, {u"40", u"32"},
      {u"0", u"0"}, {u"7", u"8"}, {u"b", u"8"}};
  for (const auto& [typed, shown] : mono) {
    EXPECT_EQ(shown, enter(IDC_EXTRA_MONO, typed)) << std::string(typed.begin(), typed.end());
    EXPECT_EQ(std::stoul(std::string(shown.begin(), shown.end())), device->extraMonoChannels);
  }
  EXPECT_EQ(u"", enter(IDC_EXTRA_MONO, u""));
  EXPECT_EQ(8u, device->extraMonoChannels);

  const HWND priority = control(IDC_PRIORITY);
  ASSERT_EQ(7, comboItemCount(priority));
  EXPECT_EQ(0, comboSelection(priority)) << "priority 15";
  const LONG priorities[] = {15, 2, 1, 0, -1, -2, -15};
  for (int i = 6; i >= 0; --i) {
    EXPECT_EQ(priorities[i], comboItemData(priority, i));
    ASSERT_TRUE(chooseItem(priority, i));
    EXPECT_EQ(priorities[i], device->priority);
  }
  EXPECT_EQ(u"Below Normal", comboItemText(priority, 4));

  // F1 on each control: the table's context ids, nothing for a control it does not list.
  for (int32_t id : {IDC_EXTRA_STEREO, IDC_EXTRA_MONO, -1, IDC_PRIORITY, IDC_PRIORITY_LABEL})
    askForHelp(control(id));
  std::vector<uint32_t> contexts;
  for (const auto& request : contextHelpRequests()) contexts.push_back(request.contextId);
  tz::test::quitHelpEngine();
  EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4}), contexts);

  // Property-sheet notifications get result 0.
  setMessageResult(page.dialog(), 5);
  NotifyHeader kill{frame, 0, -201};
  sendDialogMessage(page.dialog(), kMessageNotify, 0, reinterpret_cast<intptr_t>(&kill));
  EXPECT_EQ(0, messageResult(page.dialog()));

  // Edits take effect at once and mark nothing: only another change makes the page dirty.
  EXPECT_EQ(S_FALSE, page.isPageDirty());
  EXPECT_EQ(S_FALSE, page.apply());
  DeviceTestAccess::markSettingsChanged(*device);
  EXPECT_EQ(S_OK, page.isPageDirty());
  EXPECT_EQ(S_OK, page.apply());
  EXPECT_FALSE(device->settingsChanged());
  EXPECT_EQ(E_NOTIMPL, page.help());
  EXPECT_EQ(S_FALSE, page.translateAccelerator());

  const HWND dialog = page.dialog();
  EXPECT_EQ(S_OK, page.deactivate());
  EXPECT_FALSE(isWindow(dialog));
  EXPECT_EQ(S_FALSE, page.apply()) << "no dialog";
  DeviceTestAccess::markSettingsChanged(*device);
  EXPECT_EQ(S_OK, page.setObjects(0, nullptr));
  EXPECT_EQ(nullptr, device->page());
  EXPECT_FALSE(device->settingsChanged());
  EXPECT_EQ(S_FALSE, page.isPageDirty());
  EXPECT_EQ(0u, page.release());
  EXPECT_EQ(1u, site.count) << "the site is let go";
  EXPECT_EQ(1u, countOf(deviceObject()));
}

TEST_F(DriverPage, TheDialogAndPriorityTextsComeFromTheHostsLanguage) {
  struct Language {
    LCID locale;
    std::u16string title, stereoLabel, priorityItem;
  };
  const Language languages[] = {
      {1031, u"ReWire-Treiber", u"Zusätzliche &Stereo-Ports: (max. 26)", u"Niedriger als normal"},
      {1041, u"ReWire ドライバ", u"追加ステレオポート(&N): 最大 26", u"通常以下"},
      {1033, u"ReWire Driver", u"&Number of extra stereo ports: (Max 26)", u"Below Normal"}};
  open();
  ASSERT_EQ(S_OK, page.deactivate());
  const RECT rect{0, 0, 375, 180};
  for (const Language& language : languages) {
    useLanguage(languageModule().instance(), language.locale);
    ASSERT_EQ(S_OK, page.activate(frame, &rect)) << language.locale;
    EXPECT_EQ(language.stereoLabel, windowText(control(IDC_EXTRA_STEREO_LABEL)));
    EXPECT_EQ(language.priorityItem, comboItemText(control(IDC_PRIORITY), 4));
    EXPECT_EQ(u"6", enter(IDC_EXTRA_MONO, u"5")) << "the same rules in every language";
    PROPPAGEINFO info{kPageInfoSize, nullptr, {}, nullptr, nullptr, 0};
    ASSERT_EQ(S_OK, page.pageInfo(&info));
    EXPECT_EQ(language.title, std::u16string(info.pszTitle));
    taskFree(info.pszTitle);
    EXPECT_EQ(dialogUnitsInPixels(page.dialog(), 0, 0, 250, 111).width(), info.size.cx)
        << "the same size in every language";
    ASSERT_EQ(S_OK, page.deactivate());
  }
  EXPECT_EQ(0u, page.release()) << "a host that skips SetObjects(0)";
  EXPECT_EQ(nullptr, device->page());
}

// A copy of the language module whose German dialog 1368 is damaged: its item count runs past
// the end of the template.
DataModule damagedLanguageModule(const std::filesystem::path& folder) {
  const std::string bytes = test::readFile(TZ_LANGUAGE_FILE);
  const void* image = languageModule().instance();
  const ResourceEntry* entry = findResource(image, ResourceKey::id(kResourceTypeDialog),
                                            ResourceKey::id(IDD_DRIVER_PAGE), 1031);
  DataModule damaged;
  if (entry == nullptr) return damaged;
  const auto* data = static_cast<const char*>(resourceData(image, entry));
  const auto at = std::search(bytes.begin(), bytes.end(), data, data + resourceSize(image, entry));
  if (at == bytes.end()) return damaged;
  std::string copy = bytes;
  const size_t itemCount = static_cast<size_t>(at - bytes.begin()) + 16;
  copy[itemCount] = copy[itemCount + 1] = '\xFF';
  test::writeFile(folder / "damaged.LNG", copy);
  damaged.load((folder / "damaged.LNG").string());
  return damaged;
}

TEST_F(DriverPage, ADamagedDialogTemplateGivesNoDialogNeverAFault) {
  test::ScratchFolder scratch;
  const DataModule damaged = damagedLanguageModule(scratch.path);
  ASSERT_TRUE(damaged.loaded());
  useLanguage(damaged.instance(), 1031);
  IUnknown* objects[] = {deviceObject()};
  ASSERT_EQ(S_OK, page.setObjects(1, objects));
  ASSERT_EQ(S_OK, page.setPageSite(&site));
  PROPPAGEINFO info{kPageInfoSize, nullptr, {}, nullptr, nullptr, 0};
  ASSERT_EQ(S_OK, page.pageInfo(&info));
  EXPECT_EQ(u"ReWire-Treiber", std::u16string(info.pszTitle)) << "the strings are intact";
  taskFree(info.pszTitle);
  EXPECT_EQ(204, info.size.cx);
  EXPECT_EQ(204, info.size.cy);
  const size_t windowsBefore = childrenOf(frame).size();
  const RECT rect{0, 0, 10, 10};
  EXPECT_EQ(E_UNEXPECTED, page.activate(frame, &rect));
  EXPECT_EQ(windowsBefore, childrenOf(frame).size());
  EXPECT_EQ(S_OK, page.show(kShowNormal)) << "no dialog to show";
  EXPECT_EQ(S_OK, page.move(&rect));
  useLanguage(languageModule().instance(), 1033);
  EXPECT_EQ(0u, page.release());
}

TEST_F(DriverPage, BadArgumentsAndForeignObjectsAreRefusedWithoutAFault) {
  const RECT rect{0, 0, 10, 10};
  EXPECT_EQ(E_POINTER, page.activate(frame, nullptr));
  EXPECT_EQ(E_POINTER, page.move(nullptr));
  EXPECT_EQ(E_POINTER, page.pageInfo(nullptr));
  EXPECT_EQ(E_POINTER, page.setObjects(1, nullptr));
  IUnknown* none[] = {nullptr};
  EXPECT_EQ(E_POINTER, page.setObjects(1, none));
  EXPECT_EQ(E_UNEXPECTED, page.activate(reinterpret_cast<HWND>(0x7777), &rect)) << "no window";

  // A record smaller than PROPPAGEINFO is not written; a failed title allocation leaves the
  // record as it was.
  PROPPAGEINFO info{};
  info.cb = 27;
  EXPECT_EQ(E_INVALIDARG, page.pageInfo(&info));
  EXPECT_EQ(nullptr, info.pszTitle);
  info.cb = kPageInfoSize;
  setTaskAllocationFailing(true);
  EXPECT_EQ(E_OUTOFMEMORY, page.pageInfo(&info));
  setTaskAllocationFailing(false);
  EXPECT_EQ(nullptr, info.pszTitle);
  EXPECT_EQ(kPageInfoSize, info.cb);

  // Another driver's device answers IAudioDevice: refused, its reference given back.
  CountedUnknown foreign;
  foreign.answersAudioDevice = true;
  IUnknown* objects[] = {&foreign};
  EXPECT_EQ(E_NOINTERFACE, page.setObjects(1, objects));
  EXPECT_EQ(1u, foreign.count);
  CountedUnknown plain;
  objects[0] = &plain;
  EXPECT_EQ(E_NOINTERFACE, page.setObjects(1, objects));

  // Two objects are refused and the held device kept; a switch lets go of the first device.
  objects[0] = deviceObject();
  ASSERT_EQ(S_OK, page.setObjects(1, objects));
  IUnknown* two[] = {deviceObject(), deviceObject()};
  EXPECT_EQ(E_UNEXPECTED, page.setObjects(2, two));
  EXPECT_EQ(static_cast<CReWireDriverPPage*>(page.page), device->page());
  auto* other = new CReWireAudioDevice(nullptr);
  other->AddRef();
  IUnknown* switched[] = {static_cast<IAudioDevice2*>(other)};
  DeviceTestAccess::markSettingsChanged(*device);
  ASSERT_EQ(S_OK, page.setObjects(1, switched));
  EXPECT_EQ(nullptr, device->page());
  EXPECT_FALSE(device->settingsChanged());
  EXPECT_EQ(1u, countOf(deviceObject()));
  EXPECT_EQ(static_cast<CReWireDriverPPage*>(page.page), other->page());

  // Activate twice: the first dialog goes. The last Release takes the dialog and lets go of
  // the device.
  ASSERT_EQ(S_OK, page.activate(frame, &rect));
  const HWND first = page.dialog();
  ASSERT_EQ(S_OK, page.activate(frame, &rect));
  EXPECT_FALSE(isWindow(first));
  EXPECT_EQ(1u, childrenOf(frame).size());
  const RECT moved{5, 5, 305, 105};
  EXPECT_EQ(S_OK, page.move(&moved));
  ASSERT_EQ(S_OK, page.setPageSite(&site));
  ASSERT_EQ(S_OK, page.pageInfo(&info));
  taskFree(info.pszTitle);
  EXPECT_EQ(300, info.size.cx) << "the active dialog is measured";
  EXPECT_EQ(0u, page.release());
  EXPECT_TRUE(childrenOf(frame).empty());
  EXPECT_EQ(nullptr, other->page());
  EXPECT_EQ(0u, other->Release());

  // Slot 14 is the deleting destructor: a host may delete a page outright.
  PageSlots doomed{};
  ASSERT_EQ(S_OK, device->CreatePropertyPage(IID_IPropertyPage, &doomed.page));
  ASSERT_EQ(S_OK, doomed.setObjects(1, objects));
  doomed.call<void*>(14, kDeleteObject);
  EXPECT_EQ(nullptr, device->page());
}

}  // namespace
}  // namespace tz::rewire

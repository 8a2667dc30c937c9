// The property page in a host session against the mixer stand-in: what the user changes on
// the page is what the driver class's Terminate saves.
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"
#include "kaudio/audiodrvs/ReWire/resources/resource.h"
#include "support/platform/combo_box.h"
#include "support/platform/registry.h"
#include "support/platform/window.h"
#include "support/platform/window_input.h"
#include "tests/kaudio/audiodrvs/ReWire/host/host_session.h"

namespace tz::test {
namespace {

using namespace tz::platform;

// The host's page, opened on the class's device with the classic sequence of calls.
IPropertyPage* openPage(IAudioClass* driverClass, HWND frame) {
  IEnumAudioDevs* devices = nullptr;
  IAudioDevice* device = nullptr;
  if (driverClass->EnumDevices(&devices) != S_OK) return nullptr;
  devices->Next(1, &device, nullptr);
  devices->Release();
  if (device == nullptr) return nullptr;
  IPropertyPage* page = nullptr;
  device->CreatePropertyPage(IID_IPropertyPage, reinterpret_cast<void**>(&page));
  IUnknown* objects[] = {device};
  const RECT rect{0, 0, 375, 180};
  const bool opened = page != nullptr && page->SetObjects(1, objects) == S_OK &&
                      page->Activate(frame, &rect, FALSE) == S_OK;
  device->Release();
  return opened ? page : nullptr;
}

TEST_F(HostSession, TerminateSavesWhatThePageChanged) {
  startMixer({"--seconds", "5"});
  // The driver's own objects in this process, so that the page's windows are this program's.
  // Their creation registers this program as the device's library, so the mixer must have
  // loaded the real one first.
  ASSERT_TRUE(eventually([&] { return mixerOutput().find("opened:") != std::string::npos; }));
  IAudioClass* driverClass = nullptr;
  ASSERT_TRUE(eventually([&] { return rewire::CReWireAudioClass::create(&driverClass) == S_OK; }));
  HTZMETRICS store = nullptr;
  ASSERT_EQ(S_OK, TzMetric_Open(&store, u"Loopra", 0x07000000, nullptr));
  ASSERT_EQ(S_OK, driverClass->Initialize(store));
  const HWND frame = createWindow({u"PropertySheet", u"", kStyleVisible, {}, nullptr, 0});
  IPropertyPage* page = openPage(driverClass, frame);
  ASSERT_NE(nullptr, page);
  const HWND dialog = childrenOf(frame).at(0);
  for (auto [id, text] : {std::pair{IDC_EXTRA_STEREO, u"30"}, std::pair{IDC_EXTRA_MONO, u"5"}}) {
    typeText(childWithId(dialog, id), text);
    leaveControl(childWithId(dialog, id));
  }
  chooseItem(childWithId(dialog, IDC_PRIORITY), 4);
  EXPECT_EQ(S_OK, page->Deactivate());
  EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
  EXPECT_EQ(0u, page->Release());
  destroyWindow(frame);
  EXPECT_EQ(S_OK, driverClass->Terminate());
  EXPECT_EQ(0u, driverClass->Release());
  TzMetric_Close(store);
  EXPECT_EQ(0, waitMixer());

  RegistryKey module;
  ASSERT_TRUE(succeeded(
      RegistryKey::open(RegistryRoot::LocalMachine,
                        "SOFTWARE\\Propellerhead Software\\ReWire\\Loopra Pro 7.0", module)));
  uint32_t stereo = 0, mono = 0, priority = 0, size = 4;
  EXPECT_TRUE(succeeded(module.queryValue("ExtraChannels", nullptr, &stereo, &size)));
  EXPECT_TRUE(succeeded(module.queryValue("ExtraMonoChannels", nullptr, &mono, &size)));
  EXPECT_EQ(52u, stereo);
  EXPECT_EQ(6u, mono);
  RegistryKey metrics;
  ASSERT_TRUE(succeeded(RegistryKey::open(
      RegistryRoot::CurrentUser,
      "Software\\Halvard Zivovude Software\\Loopra\\7.0\\Metrics\\Audio Hardware\\Classes\\"
      "ReWire Driver Class\\ReWire Device Driver",
      metrics)));
  EXPECT_TRUE(succeeded(metrics.queryValue("503", nullptr, &priority, &size)));
  EXPECT_EQ(static_cast<uint32_t>(-1), priority) << "Below Normal";
}

}  // namespace
}  // namespace tz::test

// The property page's slots: site, size, activation and the device it edits.
#include "kaudio/audiodrvs/ReWire/host/driver_property_page.h"

#include <algorithm>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"
#include "support/lang/lang_context.h"
#include "support/platform/task_memory.h"
#include "support/platform/window.h"
#include "support/ui/dialog_helpers.h"

namespace tz::rewire {

namespace {

HWND createPageDialog(HWND parent, CReWireAudioDevice* device) {
  return ui::createDialogParam(lang::moduleLanguage(), IDD_DRIVER_PAGE, parent,
                               &driverPageProcedure, reinterpret_cast<intptr_t>(device));
}

platform::WindowRect windowRectOf(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

void* CReWireDriverPPage::ScalarDeletingDestructor(UINT flags) {
  // A host that lets go without SetObjects(0) or Deactivate leaves neither a device pointing
  // at a freed page nor a dialog whose procedure still holds the device.
  releaseDevice();
  destroyDialog();
  if (site_ != nullptr) site_->Release();
  this->~CReWireDriverPPage();
  if ((flags & kDeleteObject) != 0) ::operator delete(this);
  return this;
}

void CReWireDriverPPage::measure(HWND dialog) {
  platform::WindowRect rect;
  if (dialog == nullptr || !platform::windowRect(dialog, rect)) {
    width_ = height_ = kDefaultPageExtent;
    return;
  }
  width_ = rect.width();
  height_ = rect.height();
}

HRESULT CReWireDriverPPage::SetPageSite(IPropertyPageSite* site) {
  if (site_ != nullptr) site_->Release();
  site_ = site;
  if (site_ == nullptr) return S_OK;
  site_->AddRef();
  if (dialog_ != nullptr) {
    measure(dialog_);
    return S_OK;
  }
  const HWND probe = createPageDialog(platform::desktopWindow(), nullptr);
  measure(probe);
  if (probe != nullptr) platform::destroyWindow(probe);
  return S_OK;
}

HRESULT CReWireDriverPPage::Activate(HWND parent, const RECT* rect, BOOL) {
  if (rect == nullptr) return E_POINTER;
  // A second Activate without Deactivate replaces the dialog instead of orphaning it.
  destroyDialog();
  dialog_ = createPageDialog(parent, device_);
  if (dialog_ == nullptr) return E_UNEXPECTED;
  platform::moveWindow(dialog_, windowRectOf(*rect), true);
  return S_OK;
}

void CReWireDriverPPage::destroyDialog() {
  if (dialog_ == nullptr) return;
  platform::destroyWindow(dialog_);
  dialog_ = nullptr;
}

HRESULT CReWireDriverPPage::Deactivate() {
  destroyDialog();
  return S_OK;
}

HRESULT CReWireDriverPPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  // A record smaller than ours would be written past its end.
  if (info->cb < kPageInfoSize) return E_INVALIDARG;
  const std::u16string_view title = moduleString(IDS_PAGE_TITLE);
  auto* copy = static_cast<WCHAR*>(platform::taskAllocate((title.size() + 1) * sizeof(WCHAR)));
  if (copy == nullptr) return E_OUTOFMEMORY;
  std::copy(title.begin(), title.end(), copy);
  info->cb = kPageInfoSize;
  info->pszTitle = copy;
  info->size = {width_, height_};
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

void CReWireDriverPPage::releaseDevice() {
  if (device_ == nullptr) return;
  device_->forgetPage(this);
  device_->Release();
  device_ = nullptr;
}

HRESULT CReWireDriverPPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 0) {
    releaseDevice();
    return S_OK;
  }
  if (count != 1) return E_UNEXPECTED;
  if (objects == nullptr || objects[0] == nullptr) return E_POINTER;
  releaseDevice();
  IAudioDevice* asked = nullptr;
  const HRESULT status =
      objects[0]->QueryInterface(IID_IAudioDevice, reinterpret_cast<void**>(&asked));
  if (FAILED(status) || asked == nullptr) return FAILED(status) ? status : E_NOINTERFACE;
  // Another driver's device answers the same interface; the page would write our fields
  // into it.
  CReWireAudioDevice* ours = CReWireAudioDevice::fromInterface(asked);
  if (ours == nullptr) {
    asked->Release();
    return E_NOINTERFACE;
  }
  device_ = ours;
  device_->recordPage(this);
  return status;
}

HRESULT CReWireDriverPPage::Show(UINT command) {
  platform::showWindow(dialog_, static_cast<int>(command));
  return S_OK;
}

HRESULT CReWireDriverPPage::Move(const RECT* rect) {
  if (rect == nullptr) return E_POINTER;
  platform::moveWindow(dialog_, windowRectOf(*rect), true);
  return S_OK;
}

HRESULT CReWireDriverPPage::IsPageDirty() {
  if (device_ == nullptr) return S_FALSE;
  return device_->settingsChanged() ? S_OK : S_FALSE;
}

HRESULT CReWireDriverPPage::Apply() {
  if (dialog_ == nullptr || device_ == nullptr || !device_->settingsChanged()) return S_FALSE;
  DWORD settings = 0;
  const HRESULT status = device_->ApplySettings(&settings);
  device_->clearSettingsChanged();
  return status;
}

}  // namespace tz::rewire

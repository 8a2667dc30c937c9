// CReWireDriverPPage: the device's settings page, a standard property page over dialog 1368.
// It edits the extra stereo and mono port counts and the worker priority of the one device it
// is given; edits reach the device at once and the driver class's Terminate saves them.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"

namespace tz::rewire {

class CReWireAudioDevice;

// The page's size when its dialog cannot be made.
constexpr LONG kDefaultPageExtent = 204;
// The PROPPAGEINFO size the page fills and reports.
constexpr ULONG kPageInfoSize = sizeof(PROPPAGEINFO);

class CReWireDriverPPage final : public ComObject<CReWireDriverPPage, IPropertyPage> {
 public:
  HRESULT TZ_COM SetPageSite(IPropertyPageSite* site) override;
  HRESULT TZ_COM Activate(HWND parent, const RECT* rect, BOOL modal) override;
  HRESULT TZ_COM Deactivate() override;
  HRESULT TZ_COM GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT TZ_COM SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT TZ_COM Show(UINT command) override;
  HRESULT TZ_COM Move(const RECT* rect) override;
  HRESULT TZ_COM IsPageDirty() override;
  HRESULT TZ_COM Apply() override;
  HRESULT TZ_COM Help(const WCHAR*) override { return E_NOTIMPL; }
  HRESULT TZ_COM TranslateAccelerator(MSG*) override { return S_FALSE; }
  // Slot 14: lets go of the device, the dialog and the site; frees the object when bit 0 of
  // flags is set.
  virtual void* TZ_COM ScalarDeletingDestructor(UINT flags);

  HWND dialog() const { return dialog_; }

 private:
  ~CReWireDriverPPage() = default;

  friend ComObject;
  bool answers(const IID& riid) const { return riid == IID_IPropertyPage; }
  void lastRelease() { ScalarDeletingDestructor(kDeleteObject); }
  // SetObjects with no object: the device forgets the page and its settings-changed flag.
  void releaseDevice();
  void destroyDialog();
  void measure(HWND dialog);

  HWND dialog_ = nullptr;
  LONG width_ = 0;
  LONG height_ = 0;
  IPropertyPageSite* site_ = nullptr;
  CReWireAudioDevice* device_ = nullptr;  // counted, through its IAudioDevice
};

// The page's dialog procedure (driver_page_dialog.cpp); the device, possibly null, is the
// creation parameter and lives in the dialog's user data.
intptr_t driverPageProcedure(HWND dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace tz::rewire

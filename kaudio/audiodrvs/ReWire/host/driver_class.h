// CReWireAudioClass: the root object the host gets from TzAudioDriver_CreateDriverClass. It
// owns the one audio device, loads and saves the device settings, and keeps the panel side of
// the bridge engine open for as long as it lives.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"
#include "tz/list.h"

namespace tz::rewire {

class CReWireAudioDevice;

// Panel-link flags of the class.
constexpr DWORD kPanelOpen = 0x1;
constexpr DWORD kMixerRunning = 0x2;
constexpr DWORD kPanelLinkHeld = 0x4;

constexpr DWORD kDriverClassType = 13;

class CReWireAudioClass final : public ComObject<CReWireAudioClass, IAudioClass> {
 public:
  // The creation of TzAudioDriver_CreateDriverClass: 0 and a referenced class, or a failure
  // status (S_FALSE with no mixer running) and null.
  static HRESULT create(IAudioClass** out);

  HRESULT TZ_COM Initialize(HTZMETRICS settingsKey) override;
  HRESULT TZ_COM Terminate() override;
  HRESULT TZ_COM GetClassType(DWORD* type) override;
  HRESULT TZ_COM GetName(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM Slot7(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM SetParameter(DWORD id, DWORD value) override;
  HRESULT TZ_COM GetParameter(DWORD id, DWORD* value) override;
  HRESULT TZ_COM SetUserData(DWORD value) override;
  DWORD TZ_COM GetUserData() override { return userData_; }
  HRESULT TZ_COM Slot12(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot13() override { return S_FALSE; }
  HRESULT TZ_COM Slot14(DWORD) override { return S_OK; }
  HRESULT TZ_COM Slot15() override { return S_OK; }
  HRESULT TZ_COM Slot16() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot17() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot18() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot19(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot20(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot21(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot22() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot23() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot24() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot25() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot26() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot27(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot28() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot29(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot30(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot31(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot32(DWORD, void** second) override;
  HRESULT TZ_COM EnumDevices(IEnumAudioDevs** devices) override;
  HRESULT TZ_COM Slot34(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot35(DWORD) override { return E_NOTIMPL; }
  // Slot 36: releases every device, destroys the list, frees the object when bit 0 is set.
  virtual void* TZ_COM ScalarDeletingDestructor(UINT flags);

  // The panel side of the engine: opened by creation, released by Terminate (and by a
  // failed creation). PrepareReWirePanel gives 0 ready, 1 no mixer running, else a failure.
  HRESULT prepareReWirePanel();
  HRESULT releaseReWirePanel();

  DWORD panelLinkFlags() const { return panelLinkFlags_; }
  tTZLIST* devices() const { return devices_; }

 private:
  CReWireAudioClass() = default;
  ~CReWireAudioClass();
  HRESULT addDevice();

  friend ComObject;
  bool answers(const IID& riid) const { return riid == IID_IAudioClass; }
  HRESULT queryOther(const IID& riid, void** out);
  void lastRelease();

  tTZLIST* devices_ = nullptr;
  DWORD classType_ = kDriverClassType;
  HTZMETRICS settingsKey_ = nullptr;  // borrowed from the host
  DWORD userData_ = 0;
  WCHAR className_[kNameCapacity] = {};
  WCHAR deviceName_[kNameCapacity] = {};
  ISpecifyPropertyPages* provider_ = nullptr;  // always empty for the class
  DWORD parameter0_ = 0;
  DWORD panelLinkFlags_ = 0;
  char deviceNameAnsi_[kNameCapacity] = {};
  char signatureAnsi_[8] = {};
};

}  // namespace tz::rewire

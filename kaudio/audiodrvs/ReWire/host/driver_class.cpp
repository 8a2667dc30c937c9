// The driver class: creation, the interface's plain slots and destruction.
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"

#include <new>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/enumerators.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"

namespace tz::rewire {

HRESULT CReWireAudioClass::create(IAudioClass** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* driverClass = new (std::nothrow) CReWireAudioClass;
  if (driverClass == nullptr) return E_OUTOFMEMORY;

  storeText(driverClass->className_, moduleString(IDS_CLASS_NAME));
  storeText(driverClass->deviceName_, moduleString(IDS_REWIRE_DEVICE_NAME));
  copyUtf8(textOf(driverClass->deviceName_, kNameCapacity), driverClass->deviceNameAnsi_,
           sizeof driverClass->deviceNameAnsi_);
  copyUtf8(moduleString(IDS_REWIRE_SIGNATURE).substr(0, 8), driverClass->signatureAnsi_,
           sizeof driverClass->signatureAnsi_);

  HRESULT status = driverClass->prepareReWirePanel();
  if (status == S_OK) status = driverClass->addDevice();
  if (status == S_OK)
    return driverClass->QueryInterface(IID_IAudioClass, reinterpret_cast<void**>(out));
  driverClass->releaseReWirePanel();
  driverClass->ScalarDeletingDestructor(kDeleteObject);
  return status;
}

HRESULT CReWireAudioClass::addDevice() {
  const HRESULT created = TzList_CreateExZ(&devices_, 4, 0, 0, TZLIST_OPT_ANYTHREAD, 0, 0, 0);
  if (FAILED(created)) return created;
  // A device that cannot be allocated leaves the class without one: enumeration is empty.
  auto* device = new (std::nothrow) CReWireAudioDevice(this);
  if (device == nullptr) return S_OK;
  // S_FALSE too (the device half could not be reached): no device, and so no class.
  const HRESULT status = device->create();
  if (status != S_OK) {
    device->ScalarDeletingDestructor(kDeleteObject);
    return status;
  }
  device->AddRef();
  void* slot = static_cast<IAudioDevice2*>(device);
  if (FAILED(TzList_InsertList(devices_, -1, &slot, 1))) {
    device->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

CReWireAudioClass::~CReWireAudioClass() {
  if (devices_ != nullptr) {
    for (LONG i = 0; i < devices_->itemCount; ++i)
      static_cast<IAudioDevice2*>(static_cast<void**>(devices_->slots)[i])->Release();
    TzList_Destroy(devices_);
  }
}

void* CReWireAudioClass::ScalarDeletingDestructor(UINT flags) {
  this->~CReWireAudioClass();
  if ((flags & kDeleteObject) != 0) ::operator delete(this);
  return this;
}

HRESULT CReWireAudioClass::queryOther(const IID& riid, void** out) {
  if (riid == IID_ISpecifyPropertyPages && provider_ != nullptr)
    return provider_->QueryInterface(riid, out);
  return E_NOINTERFACE;
}

void CReWireAudioClass::lastRelease() {
  // A host that never called Terminate still lets go of the engine's panel side.
  if ((panelLinkFlags_ & kPanelOpen) != 0) releaseReWirePanel();
  ScalarDeletingDestructor(kDeleteObject);
}

HRESULT CReWireAudioClass::GetClassType(DWORD* type) {
  if (type == nullptr) return E_POINTER;
  *type = classType_;
  return S_OK;
}

HRESULT CReWireAudioClass::GetName(WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length < 1) return E_INVALIDARG;
  copyText(textOf(className_, kNameCapacity), buffer, length);
  return S_OK;
}

HRESULT CReWireAudioClass::SetParameter(DWORD id, DWORD value) {
  if (id != 0) return S_FALSE;
  parameter0_ = value;
  return S_OK;
}

HRESULT CReWireAudioClass::GetParameter(DWORD id, DWORD* value) {
  if (id > 1) return S_FALSE;
  if (value == nullptr) return E_POINTER;
  *value = id == 0 ? parameter0_ : 3;
  return S_OK;
}

HRESULT CReWireAudioClass::SetUserData(DWORD value) {
  userData_ = value;
  return S_OK;
}

HRESULT CReWireAudioClass::Slot32(DWORD, void** second) {
  if (second != nullptr) *second = nullptr;
  return E_NOINTERFACE;
}

HRESULT CReWireAudioClass::EnumDevices(IEnumAudioDevs** devices) {
  return createDeviceEnumerator(devices_, devices);
}

}  // namespace tz::rewire

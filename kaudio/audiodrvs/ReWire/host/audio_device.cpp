// The audio device: creation, its plain slots, attaching with its outputs, and destruction.
#include "kaudio/audiodrvs/ReWire/host/audio_device.h"

#include <new>

#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "kaudio/audiodrvs/ReWire/host/driver_class.h"
#include "kaudio/audiodrvs/ReWire/host/driver_property_page.h"
#include "kaudio/audiodrvs/ReWire/host/enumerators.h"
#include "kaudio/audiodrvs/ReWire/host/live_devices.h"
#include "kaudio/audiodrvs/ReWire/host/property_pages_provider.h"
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"
#include "kaudio/audiodrvs/ReWire/module_strings.h"

namespace tz::rewire {

CReWireAudioDevice::CReWireAudioDevice(CReWireAudioClass* owner) : owner_(owner) {
  addLiveDevice(this);
}

HRESULT CReWireAudioDevice::create() {
  storeText(name_, moduleString(IDS_DEVICE_DRIVER_NAME));
  provider_ = new (std::nothrow) CSpecifyPropertyPages(this);
  if (provider_ == nullptr) return E_OUTOFMEMORY;
  provider_->AddRef();
  connection_.channel0 = new (std::nothrow) uint8_t[kMessageBufferBytes];
  connection_.channel1 = new (std::nothrow) uint8_t[kMessageBufferBytes];
  if (connection_.channel0 == nullptr || connection_.channel1 == nullptr) return E_OUTOFMEMORY;
  const HRESULT connected = connectPanel();
  if (connected != S_OK) return connected;
  outputCount = (extraChannels + 6) / 2;
  disconnectPanel();
  return S_OK;
}

void* CReWireAudioDevice::ScalarDeletingDestructor(UINT flags) {
  // A host that lets go of the device without Detach (or whose shut-down stopped half-way)
  // must not leave the worker waiting, nor rendering through outputs about to go.
  disconnectPanel();
  releaseOutputs();
  if (provider_ != nullptr) provider_->Release();
  delete[] connection_.channel0;
  delete[] connection_.channel1;
  removeLiveDevice(this);
  this->~CReWireAudioDevice();
  if ((flags & kDeleteObject) != 0) ::operator delete(this);
  return this;
}

HRESULT CReWireAudioDevice::queryOther(const IID& riid, void** out) {
  if (riid == IID_ISpecifyPropertyPages && provider_ != nullptr)
    return provider_->QueryInterface(riid, out);
  return E_NOINTERFACE;
}

HRESULT CReWireAudioDevice::GetDriverClass(const IID& riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!(riid == IID_IAudioClass) || owner_ == nullptr) return E_NOINTERFACE;
  return owner_->QueryInterface(riid, out);
}

// The mixer's rate as the mapped block gives it; 0 while no block is mapped (detached, or
// the device is making a new one). Under the lock: a format change replaces the block.
uint32_t CReWireAudioDevice::mappedSampleRate() {
  std::lock_guard hold(lock_);
  return connection_.block.isOpen() ? sampleRate() : 0;
}

HRESULT CReWireAudioDevice::IsFormatSupported(const WAVEFORMATEX* format, DWORD) {
  const uint32_t rate = mappedSampleRate();
  if (rate == 0) return E_UNEXPECTED;
  if (format == nullptr) return E_POINTER;
  return format->nSamplesPerSec == rate ? S_OK : TZ_E_FORMAT_NOT_SUPPORTED;
}

HRESULT CReWireAudioDevice::GetFormat(WAVEFORMATEX* format) {
  const uint32_t rate = mappedSampleRate();
  if (rate == 0) return E_UNEXPECTED;
  if (format == nullptr) return E_POINTER;
  *format = floatWaveFormat(rate, 2);
  return S_OK;
}

HRESULT CReWireAudioDevice::SetUserData(DWORD value) {
  userData_ = value;
  return S_OK;
}

HRESULT CReWireAudioDevice::GetClassType(DWORD* type) {
  if (type == nullptr) return E_POINTER;
  *type = kDriverClassType;
  return S_OK;
}

HRESULT CReWireAudioDevice::GetName(WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length < 1) return E_INVALIDARG;
  copyText(textOf(name_, kNameCapacity), buffer, length);
  return S_OK;
}

HRESULT CReWireAudioDevice::GetPortCounts(DWORD* outputs, DWORD* inputs) {
  if (outputs != nullptr) *outputs = outputCount;
  if (inputs != nullptr) *inputs = 0;
  return S_OK;
}

HRESULT CReWireAudioDevice::GetLatency(LONGLONG* latency, DWORD* unit, DWORD) {
  if (latency != nullptr) *latency = -1;
  if (!has(kDeviceAttached)) return E_UNEXPECTED;
  const uint32_t rate = sampleRate();
  if (latency != nullptr) *latency = 2 * samplesToTime(bufferFrames_, rate);
  if (unit != nullptr) *unit = 2;
  return S_OK;
}

HRESULT CReWireAudioDevice::GetBufferSizes(DWORD* first, DWORD* second, DWORD* third,
                                           DWORD* fourth) {
  if (!has(kDeviceAttached)) return E_UNEXPECTED;
  for (DWORD* size : {first, second, third})
    if (size != nullptr) *size = 2 * bufferFrames_;
  if (fourth != nullptr) *fourth = 2;
  return S_OK;
}

HRESULT CReWireAudioDevice::CreatePropertyPage(const IID& riid, void** page) {
  if (page == nullptr) return E_POINTER;
  *page = nullptr;
  auto* created = new (std::nothrow) CReWireDriverPPage;
  if (created == nullptr) return E_OUTOFMEMORY;
  created->AddRef();
  const HRESULT status = created->QueryInterface(riid, page);
  created->Release();
  return status;
}

CReWireAudioDevice* CReWireAudioDevice::fromInterface(IAudioDevice* device) {
  // Compared by address before any cast: nothing of a foreign object is read. The interface
  // sits at the start of the object (single inheritance), where the device registered.
  if (!isLiveDevice(static_cast<const void*>(device))) return nullptr;
  return static_cast<CReWireAudioDevice*>(static_cast<IAudioDevice2*>(device));
}

void CReWireAudioDevice::forgetPage(const CReWireDriverPPage* page) {
  if (page_ == page) page_ = nullptr;
  clearSettingsChanged();
}

HRESULT CReWireAudioDevice::EnumInputs(IEnumAudioIn** inputs) {
  return createInputEnumerator(nullptr, inputs);
}

HRESULT CReWireAudioDevice::EnumOutputs(IEnumAudioOut** outputs) {
  return createOutputEnumerator(outputs_, outputs);
}

HRESULT CReWireAudioDevice::Attach() {
  if (has(kDeviceOpen)) return S_OK;
  if (++attachCount_ > 1) return S_OK;
  const HRESULT connected = connectPanel();
  if (connected != S_OK) {
    Detach();
    return connected;
  }
  const HRESULT status = createOutputs();
  if (FAILED(status)) {
    Detach();
    return status;
  }
  flags_.fetch_or(kDeviceAttached | kDeviceAttachedOnce);
  if (status == S_OK) return S_OK;
  Detach();
  return status;
}

HRESULT CReWireAudioDevice::createOutputs() {
  if (outputs_ == nullptr &&
      FAILED(TzList_CreateExZ(&outputs_, 4, 0, 0, TZLIST_OPT_ANYTHREAD, 0, 0, 0)))
    return E_OUTOFMEMORY;
  HRESULT status = S_OK;
  for (DWORD i = 0; i < outputCount; ++i) {
    auto* output = new (std::nothrow) CReWireAudioOutput(i, this);
    if (output == nullptr) return E_OUTOFMEMORY;
    status = output->Initialize();
    if (FAILED(status)) {
      output->ScalarDeletingDestructor(kDeleteObject);
      continue;
    }
    output->AddRef();
    void* slot = static_cast<IAudioOut*>(output);
    if (FAILED(TzList_InsertList(outputs_, -1, &slot, 1))) {
      output->Release();
      return E_OUTOFMEMORY;
    }
  }
  return status;
}

void CReWireAudioDevice::releaseOutputs() {
  if (outputs_ == nullptr) return;
  for (LONG i = 0; i < outputs_->itemCount; ++i)
    static_cast<IAudioOut*>(static_cast<void**>(outputs_->slots)[i])->Release();
  TzList_Destroy(outputs_);
  outputs_ = nullptr;
}

HRESULT CReWireAudioDevice::Detach() {
  if (attachCount_ == 0) return S_OK;
  if (has(kDeviceOpen)) {
    attachCount_ = 1;
    return S_OK;
  }
  if (attachCount_-- > 1) return S_OK;
  // The worker stops before the outputs it renders go away.
  disconnectPanel();
  releaseOutputs();
  flags_.fetch_and(~kDeviceAttached);
  return S_OK;
}

}  // namespace tz::rewire

// An output port: names, labels, properties, and its open/start state.
#include "kaudio/audiodrvs/ReWire/host/audio_output.h"

#include <cstdio>
#include <mutex>
#include <new>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/transport_record.h"

namespace tz::rewire {

namespace {

constexpr const char16_t* kFixedChannelNames[] = {u"Master-L", u"Master-R", u"Rear-L",
                                                  u"Rear-R",   u"Center",   u"LFE"};
constexpr DWORD kFixedChannelMasks[] = {0x3, 0x30, 0xC};
constexpr int64_t kMaxStagingBytes = int64_t{256} << 20;

// Name copy rule of the single-name getters.
HRESULT copyName(const WCHAR* name, WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length == 0) return E_INVALIDARG;
  copyText(textOf(name, kNameCapacity), buffer, length);
  return S_OK;
}

// Name set rule: null empties the name.
HRESULT setName(WCHAR (&field)[kNameCapacity], const WCHAR* text) {
  storeText(field, text != nullptr ? std::u16string_view(text) : std::u16string_view());
  return S_OK;
}

std::u16string widen(const char* text) {
  std::u16string wide;
  for (; *text != '\0'; ++text) wide += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return wide;
}

}  // namespace

CReWireAudioOutput::CReWireAudioOutput(DWORD index, CReWireAudioDevice* device)
    : index_(index), device_(device), format_{1, 2, 44100, 176400, 4, 16, 0} {}

HRESULT CReWireAudioOutput::Initialize() {
  const DWORD k = 2 * index_;
  const DWORD extra = device_->extraChannels;
  const DWORD mono = device_->extraMonoChannels;
  char name[64];
  if (k < 6) {
    storeText(defaultLeftName_, kFixedChannelNames[k]);
    storeText(defaultRightName_, kFixedChannelNames[k + 1]);
    storeText(portName_, std::u16string(kFixedChannelNames[k]) + u"/" + kFixedChannelNames[k + 1]);
    channelMask_ = kFixedChannelMasks[index_];
    return S_OK;
  }
  if (extra != 0 && k < extra + 6) {
    snprintf(name, sizeof name, "Stereo Port %c", static_cast<char>('A' + (k - 6) / 2));
  } else if (mono != 0 && k < mono + extra + 6) {
    const DWORD j = k - 6 - extra;
    snprintf(name, sizeof name, "Mono Port %lu/Mono Port %lu", j + 1, j + 2);
  } else {
    snprintf(name, sizeof name, "Unknown Port %lu", index_);
  }
  storeText(portName_, widen(name));
  return S_OK;
}

void* CReWireAudioOutput::ScalarDeletingDestructor(UINT flags) {
  delete[] staging_;
  this->~CReWireAudioOutput();
  if ((flags & kDeleteObject) != 0) ::operator delete(this);
  return this;
}

HRESULT CReWireAudioOutput::GetFirstLabel(WCHAR* buffer, LONG length) {
  return copyName(firstLabel_, buffer, length);
}

HRESULT CReWireAudioOutput::SetFirstLabel(const WCHAR* text) {
  return setName(firstLabel_, text);
}

HRESULT CReWireAudioOutput::GetSecondLabel(WCHAR* buffer, LONG length) {
  return copyName(secondLabel_, buffer, length);
}

HRESULT CReWireAudioOutput::GetCustomPortName(WCHAR* buffer, LONG length) {
  if (buffer == nullptr || length == 0) return E_INVALIDARG;
  return customPortName_[0] != u'\0' ? copyName(customPortName_, buffer, length)
                                     : GetPortName(buffer, length);
}

HRESULT CReWireAudioOutput::SetCustomPortName(const WCHAR* text) {
  return setName(customPortName_, text);
}

HRESULT CReWireAudioOutput::GetPortName(WCHAR* buffer, LONG length) {
  return copyName(portName_, buffer, length);
}

HRESULT CReWireAudioOutput::GetChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                            LONG rightLength) {
  copyText(textOf(customLeftName_[0] != u'\0' ? customLeftName_ : defaultLeftName_, kNameCapacity),
           left, leftLength);
  copyText(
      textOf(customRightName_[0] != u'\0' ? customRightName_ : defaultRightName_, kNameCapacity),
      right, rightLength);
  return S_OK;
}

HRESULT CReWireAudioOutput::SetChannelNames(const WCHAR* left, const WCHAR* right) {
  if (left != nullptr) storeText(customLeftName_, left);
  if (right != nullptr) storeText(customRightName_, right);
  return S_OK;
}

HRESULT CReWireAudioOutput::GetDefaultChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                                   LONG rightLength) {
  copyText(textOf(defaultLeftName_, kNameCapacity), left, leftLength);
  copyText(textOf(defaultRightName_, kNameCapacity), right, rightLength);
  return S_OK;
}

HRESULT CReWireAudioOutput::IsFormatSupported(const WAVEFORMATEX* format) {
  return device_ != nullptr ? device_->IsFormatSupported(format, 0) : E_UNEXPECTED;
}

HRESULT CReWireAudioOutput::GetSamplePosition(LONGLONG* position) {
  return device_ != nullptr ? device_->GetSamplePosition(position) : E_UNEXPECTED;
}

HRESULT CReWireAudioOutput::GetLatency(LONGLONG* latency) {
  if (latency == nullptr) return E_POINTER;
  const DWORD rate = format_.nSamplesPerSec;
  *latency = samplesToTime(bufferFrames_, rate);
  return S_OK;
}

HRESULT CReWireAudioOutput::GetProperty(DWORD id, DWORD* value) {
  if (value == nullptr) return E_POINTER;
  switch (id) {
    case 0:
      *value = index_;
      return S_OK;
    case 22:
      *value = 1;
      return S_OK;
    case 23:
      *value = 0;
      return S_OK;
    case 26:
      *value = 2;
      return S_OK;
    case 27:
      *value = device_ != nullptr ? device_->bufferFrames() / 2 : 0;
      return S_OK;
    case 28:
      *value = 2;
      return S_OK;
    case 48:
      *value = state_.load();
      return S_OK;
    case 65:
      *value = property65_;
      return S_OK;
    case 69:
      *value = property69_;
      return S_OK;
    default:
      return S_FALSE;
  }
}

HRESULT CReWireAudioOutput::SetProperty(DWORD id, DWORD* value) {
  if (value == nullptr) return E_POINTER;
  switch (id) {
    case 28:
      property28_ = *value;
      return S_OK;
    case 65:
      property65_ = *value;
      return S_OK;
    case 67:
      property67_ = *value;
      return S_OK;
    case 68:
      property68_ = *value;
      return S_OK;
    default:
      return S_FALSE;
  }
}

HRESULT CReWireAudioOutput::Open(WAVEFORMATEX* format, DWORD, DWORD, DWORD, LONGLONG* duration,
                                 OUTPUTCALLBACK callback, DWORD cookie) {
  const auto fail = [this](HRESULT status) {
    Close();
    return status;
  };
  if (device_ == nullptr) return fail(E_UNEXPECTED);
  if (format == nullptr || callback == nullptr || duration == nullptr) return fail(E_POINTER);
  if ((state_ & kOutputOpen) != 0) return fail(TZ_E_OUTPUT_ALREADY_OPEN);

  // The host always gets stereo 32-bit float at the mixer's rate, whatever it asked for. The
  // format and the block size are read under the device lock, which a format change holds.
  int64_t blockFrames = 0;
  {
    std::lock_guard hold(device_->lock());
    format_ = device_->stereoFormat();
    blockFrames = device_->bufferFrames();
  }
  *format = format_;
  const DWORD rate = format_.nSamplesPerSec;
  if (blockFrames == 0) return fail(E_UNEXPECTED);
  int64_t frames = timeToSamples(*duration, rate);
  if (frames < blockFrames) frames = blockFrames;
  frames -= frames % blockFrames;
  const int64_t bytes = int64_t{format_.nBlockAlign} * frames * 2;
  if (bytes > kMaxStagingBytes) return fail(E_OUTOFMEMORY);
  float* staging = new (std::nothrow) float[static_cast<size_t>(bytes) / sizeof(float)]();
  if (staging == nullptr) return fail(E_OUTOFMEMORY);
  {
    std::lock_guard hold(device_->lock());
    delete[] staging_;
    staging_ = staging;
    stagingFrames_ = static_cast<DWORD>(frames * 2);
    bufferFrames_ = frames;
    // A format change between the two holds found no buffer to grow yet.
    fitBlockFrames(device_->bufferFrames());
  }
  if ((device_->flags() & kDeviceOpen) == 0) return fail(E_UNEXPECTED);
  callback_ = callback;
  cookie_ = cookie;
  leftFormat_ = rightFormat_ = floatWaveFormat(rate, 1);
  copyChannel_ = TzAudio_GetCopyChannelsFunction(&leftFormat_, &format_);
  if (copyChannel_ == nullptr) return fail(E_UNEXPECTED);
  if (callback(this, kOutputOpening, cookie, 0, nullptr, 0, 0, nullptr) == 0)
    return fail(E_UNEXPECTED);
  state_.fetch_or(kOutputOpen);
  return S_OK;
}

void CReWireAudioOutput::fitBlockFrames(DWORD blockFrames) {
  if (staging_ == nullptr || blockFrames == 0) return;
  int64_t frames = bufferFrames_ < blockFrames ? int64_t{blockFrames}
                                               : bufferFrames_ - bufferFrames_ % blockFrames;
  if (frames * 2 > stagingFrames_) {
    const int64_t bytes = int64_t{format_.nBlockAlign} * frames * 2;
    float* grown = bytes > kMaxStagingBytes
                       ? nullptr
                       : new (std::nothrow) float[static_cast<size_t>(bytes) / sizeof(float)]();
    if (grown == nullptr) return;
    delete[] staging_;
    staging_ = grown;
    stagingFrames_ = static_cast<DWORD>(frames * 2);
  }
  bufferFrames_ = frames;
}

HRESULT CReWireAudioOutput::Close() {
  if (callback_ != nullptr && (state_ & kOutputOpen) != 0)
    callback_(this, kOutputClosing, cookie_, 0, nullptr, 0, 0, nullptr);
  // The worker renders under the device lock: the staging buffer goes only between blocks.
  // (Without a device nothing was ever allocated.)
  if (device_ != nullptr) {
    std::lock_guard hold(device_->lock());
    delete[] staging_;
    staging_ = nullptr;
    stagingFrames_ = 0;
  }
  state_.fetch_and(~kOutputOpen);
  return S_OK;
}

HRESULT CReWireAudioOutput::Start(DWORD) {
  if ((state_ & kOutputOpen) == 0) return TZ_E_OUTPUT_NOT_OPEN;
  state_.fetch_and(~kOutputPaused);
  state_.fetch_or(kOutputStarted);
  return S_OK;
}

HRESULT CReWireAudioOutput::Stop() {
  if ((state_ & kOutputOpen) == 0) return TZ_E_OUTPUT_NOT_OPEN;
  callback_(this, kOutputStopping, cookie_, 0, nullptr, 0, 0, nullptr);
  state_.fetch_and(~kOutputStarted);
  return S_OK;
}

HRESULT CReWireAudioOutput::Pause() {
  if ((state_ & kOutputOpen) == 0) return TZ_E_OUTPUT_NOT_OPEN;
  state_.fetch_or(kOutputPaused);
  return S_OK;
}

}  // namespace tz::rewire

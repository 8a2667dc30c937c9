// CReWireAudioOutput: one output port of the device, feeding two ReWire channels (output i
// feeds channels 2i and 2i + 1). It carries the port and channel names the host shows and a
// few properties; the host opens it with its output callback, which the audio cycle asks for
// each block's audio.
#pragma once

#include "kaudio/audiodrvs/ReWire/host/com_support.h"
#include "tz/channel_copy.h"

namespace tz::rewire {

class CReWireAudioDevice;

// Output state flags.
constexpr DWORD kOutputOpen = 0x1;
constexpr DWORD kOutputStarted = 0x2;
constexpr DWORD kOutputPaused = 0x4;

// Output callback codes.
constexpr DWORD kOutputOpening = 0;
constexpr DWORD kOutputClosing = 1;
constexpr DWORD kOutputRender = 2;
constexpr DWORD kOutputStopping = 5;
constexpr DWORD kOutputFirstOfBlock = 0x8000;

class CReWireAudioOutput final : public ComObject<CReWireAudioOutput, IAudioOut> {
 public:
  CReWireAudioOutput(DWORD index, CReWireAudioDevice* device);

  HRESULT TZ_COM Slot3() override { return S_FALSE; }
  HRESULT TZ_COM Slot4(DWORD) override { return S_OK; }
  HRESULT TZ_COM Slot5(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot6(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot7(DWORD) override { return S_OK; }
  HRESULT TZ_COM Slot8(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM GetFirstLabel(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM SetFirstLabel(const WCHAR* text) override;
  HRESULT TZ_COM GetSecondLabel(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM GetCustomPortName(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM SetCustomPortName(const WCHAR* text) override;
  HRESULT TZ_COM GetPortName(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM GetChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                 LONG rightLength) override;
  HRESULT TZ_COM SetChannelNames(const WCHAR* left, const WCHAR* right) override;
  HRESULT TZ_COM GetDefaultChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                        LONG rightLength) override;
  HRESULT TZ_COM IsFormatSupported(const WAVEFORMATEX* format) override;
  HRESULT TZ_COM Open(WAVEFORMATEX* format, DWORD, DWORD, DWORD, LONGLONG* duration,
                      OUTPUTCALLBACK callback, DWORD cookie) override;
  HRESULT TZ_COM Close() override;
  HRESULT TZ_COM Start(DWORD) override;
  HRESULT TZ_COM Stop() override;
  HRESULT TZ_COM Pause() override;
  HRESULT TZ_COM Slot24(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot25(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot26(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot27(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM GetSamplePosition(LONGLONG* position) override;
  HRESULT TZ_COM Slot29(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot30(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot31(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM GetLatency(LONGLONG* latency) override;
  HRESULT TZ_COM GetProperty(DWORD id, DWORD* value) override;
  HRESULT TZ_COM SetProperty(DWORD id, DWORD* value) override;
  HRESULT TZ_COM Slot35(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot36(DWORD) override { return E_NOTIMPL; }
  DWORD TZ_COM GetChannelMask() override { return channelMask_; }
  // Slot 38: frees the output (Close has freed the staging buffer).
  virtual void* TZ_COM ScalarDeletingDestructor(UINT flags);
  // Slot 39: names the port and its channels from its index and the device's port counts.
  virtual HRESULT TZ_COM Initialize();

  // Renders one block into the two channel slots (either may be null): asks the host for
  // frames frames, split in two calls where the loop end falls inside the block. E_FAIL when
  // not open and started. On the worker thread, under the device lock; allocates nothing.
  HRESULT render(float* left, float* right, DWORD frames, bool first, const TRANSPORTINFO& record);
  // After a format change, on the worker under the device lock (allocates; not per block):
  // grants at least one block of `blockFrames` and grows the staging buffer to two of the
  // granted buffers. A failed allocation keeps the old buffer, which rendering never overruns.
  void fitBlockFrames(DWORD blockFrames);
  bool openAndStarted() const {
    return (state_.load() & (kOutputOpen | kOutputStarted)) == (kOutputOpen | kOutputStarted);
  }

 private:
  ~CReWireAudioOutput() = default;

  friend ComObject;
  bool answers(const IID& riid) const { return riid == IID_IAudioOut; }
  void lastRelease() { ScalarDeletingDestructor(kDeleteObject); }

  DWORD index_;
  CReWireAudioDevice* device_;
  DWORD property69_ = 0;
  std::atomic<DWORD> state_{0};  // read by the worker without a lock
  WAVEFORMATEX format_{};
  WAVEFORMATEX leftFormat_{};
  WAVEFORMATEX rightFormat_{};
  float* staging_ = nullptr;
  DWORD stagingFrames_ = 0;  // stereo frames the staging buffer holds; changed under the lock
  // The channel copy from the staging buffer's stereo frames into a mono slot, chosen at Open
  // so that rendering makes no lookup.
  TZAUDIOCOPYCHANNELSPROC copyChannel_ = nullptr;
  OUTPUTCALLBACK callback_ = nullptr;
  DWORD cookie_ = 0;
  DWORD property65_ = 0;
  DWORD property28_ = 2;
  int64_t bufferFrames_ = 0;
  WCHAR portName_[kNameCapacity] = {};
  WCHAR customPortName_[kNameCapacity] = {};
  WCHAR defaultLeftName_[kNameCapacity] = {};
  WCHAR defaultRightName_[kNameCapacity] = {};
  WCHAR customLeftName_[kNameCapacity] = {};
  WCHAR customRightName_[kNameCapacity] = {};
  WCHAR firstLabel_[kNameCapacity] = {};
  WCHAR secondLabel_[kNameCapacity] = {};
  DWORD property67_ = 0;
  DWORD property68_ = 0;
  DWORD channelMask_ = 0;
};

}  // namespace tz::rewire

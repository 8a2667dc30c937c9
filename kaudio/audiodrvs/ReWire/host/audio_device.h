// CReWireAudioDevice: the one audio device of the driver class. To the host it is an
// output-only device whose ports are the mixer's ReWire channels; underneath it is the panel
// half of the link to the device half in the mixer's process (panel_connection.h), and each
// mixer block reaches it on the worker thread, which runs the audio cycle (audio_cycle.cpp).
#pragma once

#include <atomic>
#include <cstdint>

#include "kaudio/audiodrvs/ReWire/exchange_block.h"
#include "kaudio/audiodrvs/ReWire/host/com_support.h"
#include "support/platform/named_event.h"
#include "support/platform/priority_lock.h"
#include "support/platform/thread.h"
#include "tz/list.h"

namespace tz::rewire {

class CReWireAudioClass;
class CReWireAudioOutput;
class CSpecifyPropertyPages;
class CReWireDriverPPage;

// Device flags.
constexpr DWORD kDeviceTransportSync = 0x1;
constexpr DWORD kDeviceAttached = 0x2;
constexpr DWORD kDeviceOpen = 0x4;
constexpr DWORD kDeviceStarted = 0x8;
constexpr DWORD kDevicePrepared = 0x10;
constexpr DWORD kDeviceRunning = 0x20;
constexpr DWORD kDeviceSettingsChanged = 0x200;
constexpr DWORD kDeviceAttachedOnce = 0x2000;
constexpr DWORD kDeviceHalting = 0x20000;
constexpr DWORD kDeviceTickMode24576 = 0x80000;

// Connection flags.
constexpr DWORD kConnected = 0x1;
constexpr DWORD kPanelStarted = 0x2;
constexpr DWORD kStarting = 0x4;
constexpr DWORD kPlaying = 0x8;
constexpr DWORD kStopNoticed = 0x10;
constexpr DWORD kRepositionEcho = 0x20;
constexpr DWORD kLoopEcho = 0x40;
constexpr DWORD kRepositionSent = 0x80;
constexpr DWORD kLoopSent = 0x100;
constexpr DWORD kReportAll = 0x200;
constexpr DWORD kDeviceHalfGone = 0x400;  // the worker let go of a device half that went away

// Device callback codes.
enum DeviceEvent : DWORD {
  kEventOpening = 0,
  kEventOpened = 1,
  kEventStarting = 2,
  kEventStarted = 3,
  kEventStopping = 4,
  kEventStopped = 5,
  kEventPreparing = 6,
  kEventPrepared = 7,
  kEventRunning = 8,
  kEventRan = 9,
  kEventHalting = 10,
  kEventHalted = 11,
  kEventFormatChanging = 12,
  kEventFormatChanged = 13,
  kEventClosing = 18,
  kEventTransportRepositioned = 20,
  kEventTransportStopped = 21,
  kEventTransportStarted = 22,
  kEventTransportChanged = 23,
  kEventQuitRequested = 24,
  kEventBlockBegins = 26,
  kEventBlockEnds = 27,
};

constexpr LONG kDefaultWorkerPriority = 15;
constexpr uint32_t kMessageBufferBytes = 8192 * 4;
constexpr int64_t kNoPosition = -1;  // all bits set

// The panel half's connection to the device half.
struct PanelConnection {
  uint32_t handle = 0;  // the engine's message connection
  ExchangeBlock block;
  platform::NamedEvent completionEvent;
  platform::NamedEvent requestEvent;
  platform::Thread worker;
  uint8_t* channel0 = nullptr;  // receive buffers
  uint8_t* channel1 = nullptr;
};

class CReWireAudioDevice final : public ComObject<CReWireAudioDevice, IAudioDevice2> {
 public:
  explicit CReWireAudioDevice(CReWireAudioClass* owner);
  // Loads the name, makes the property-page provider and the message buffers, and proves the
  // device half reachable by connecting once. S_OK or the failure.
  HRESULT create();

  HRESULT TZ_COM GetDriverClass(const IID& riid, void** out) override;
  HRESULT TZ_COM IsFormatSupported(const WAVEFORMATEX* format, DWORD flags) override;
  HRESULT TZ_COM Slot5() override { return E_UNEXPECTED; }
  HRESULT TZ_COM Attach() override;
  HRESULT TZ_COM Detach() override;
  HRESULT TZ_COM ApplySettings(DWORD*) override { return S_OK; }
  HRESULT TZ_COM IsAttached() override { return has(kDeviceAttached) ? S_OK : S_FALSE; }
  HRESULT TZ_COM Slot10() override { return S_OK; }
  HRESULT TZ_COM SetUserData(DWORD value) override;
  DWORD TZ_COM GetUserData() override { return userData_; }
  HRESULT TZ_COM Slot13(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot14() override { return S_OK; }
  HRESULT TZ_COM GetClassType(DWORD* type) override;
  HRESULT TZ_COM GetName(WCHAR* buffer, LONG length) override;
  HRESULT TZ_COM GetPortCounts(DWORD* outputs, DWORD* inputs) override;
  HRESULT TZ_COM GetLatency(LONGLONG* latency, DWORD* unit, DWORD) override;
  HRESULT TZ_COM Slot19(DWORD, DWORD, DWORD) override { return S_FALSE; }
  HRESULT TZ_COM GetBufferSizes(DWORD* first, DWORD* second, DWORD* third, DWORD* fourth) override;
  HRESULT TZ_COM Slot21(DWORD) override { return S_FALSE; }
  HRESULT TZ_COM Slot22() override { return S_OK; }
  HRESULT TZ_COM Open(WAVEFORMATEX* format, DEVICECALLBACK callback, DWORD cookie) override;
  HRESULT TZ_COM Close() override;
  HRESULT TZ_COM Start() override;
  HRESULT TZ_COM Stop() override;
  HRESULT TZ_COM PrepareAndRun() override;
  HRESULT TZ_COM HaltAlias() override { return Halt(); }
  HRESULT TZ_COM Run(DWORD, DWORD) override;
  HRESULT TZ_COM Halt() override;
  HRESULT TZ_COM Prepare(DWORD, DWORD) override;
  HRESULT TZ_COM GetMusicalPosition(LONGLONG* position, DWORD* unit) override;
  HRESULT TZ_COM GetSamplePosition(LONGLONG* position) override;
  HRESULT TZ_COM CreatePropertyPage(const IID& riid, void** page) override;
  HRESULT TZ_COM EnumInputs(IEnumAudioIn** inputs) override;
  HRESULT TZ_COM EnumOutputs(IEnumAudioOut** outputs) override;
  HRESULT TZ_COM GetNameAlias(WCHAR* buffer, LONG length) override {
    return GetName(buffer, length);
  }
  HRESULT TZ_COM GetFormat(WAVEFORMATEX* format) override;
  HRESULT TZ_COM Slot39() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot40(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot41() override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot42() override { return S_OK; }
  HRESULT TZ_COM Slot43(DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot44(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT TZ_COM Slot45(DWORD) override { return E_NOTIMPL; }
  LONG TZ_COM SetTransportSync(DWORD enable) override;
  LONG TZ_COM Slot47(DWORD, DWORD, DWORD, DWORD) override { return 0; }
  LONG TZ_COM RequestPlay(DWORD first, DWORD second, DWORD source, DWORD flags) override;
  LONG TZ_COM RequestStop(DWORD first, DWORD second, DWORD source, DWORD flags) override;
  LONG TZ_COM RequestLocate(LONGLONG position, LONGLONG loopStart, LONGLONG loopLength,
                            DWORD source, LONG loopOn, DWORD flags) override;
  // Slot 51: disconnects if still connected, releases the outputs and the provider, frees
  // the buffers, the object when bit 0 of flags is set.
  virtual void* TZ_COM ScalarDeletingDestructor(UINT flags);

  // --- The connection to the device half (panel_connection.cpp) ---
  HRESULT connectPanel();
  void disconnectPanel();
  HRESULT sendPanelStarted();
  HRESULT sendPanelStopped();

  // --- The worker's work, under the device lock (audio_cycle.cpp) ---
  // False when there was no block to answer.
  bool runAudioCycle();
  void changeFormat();
  void requestQuit();

  // --- Settings, read and written by the driver class and the property page ---
  bool tickMode24576() const { return has(kDeviceTickMode24576); }
  void setTickMode24576(bool on) { setFlag(kDeviceTickMode24576, on); }
  LONG priority = kDefaultWorkerPriority;
  DWORD extraChannels = 0;
  DWORD extraMonoChannels = 0;
  DWORD outputCount = 3;

  // --- The property page ---
  // The device behind an IAudioDevice when it is one of this module's live devices, else null
  // (another driver's device answers the same interface).
  static CReWireAudioDevice* fromInterface(IAudioDevice* device);
  void recordPage(CReWireDriverPPage* page) { page_ = page; }
  // Forgets page when it is the recorded one, and the settings-changed flag.
  void forgetPage(const CReWireDriverPPage* page);
  CReWireDriverPPage* page() const { return page_; }
  bool settingsChanged() const { return has(kDeviceSettingsChanged); }
  void clearSettingsChanged() { setFlag(kDeviceSettingsChanged, false); }

  const WCHAR* name() const { return name_; }
  DWORD flags() const { return flags_.load(); }
  DWORD connectionFlags() const { return connectionFlags_.load(); }
  DWORD bufferFrames() const { return bufferFrames_; }
  const WAVEFORMATEX& stereoFormat() const { return stereoFormat_; }
  const WAVEFORMATEX& monoFormat() const { return monoFormat_; }
  const TRANSPORTINFO& currentRecord() const { return current_; }
  tTZLIST* outputs() const { return outputs_; }
  platform::PriorityLock& lock() { return lock_; }

 private:
  ~CReWireAudioDevice() = default;
  friend class DeviceTestAccess;

  bool has(DWORD flag) const { return (flags_.load() & flag) != 0; }
  // A flag already as asked is left alone: the worker sets and clears flags on every block,
  // and a change is a locked instruction.
  void setFlag(DWORD flag, bool on) { changeFlags(flags_, flag, on); }
  bool connected() const { return (connectionFlags_.load() & kConnected) != 0; }
  void setConnectionFlag(DWORD flag, bool on) { changeFlags(connectionFlags_, flag, on); }
  static void changeFlags(std::atomic<DWORD>& word, DWORD flag, bool on) {
    if ((word.load() & flag) == (on ? flag : 0)) return;
    if (on)
      word.fetch_or(flag);
    else
      word.fetch_and(~flag);
  }
  LONG notify(DWORD code, DWORD argument = 0, void* pointer = nullptr);
  HRESULT closeDevice();
  HRESULT createOutputs();
  void releaseOutputs();
  void setFormats(uint32_t sampleRate);
  uint32_t sampleRate() const { return stereoFormat_.nSamplesPerSec; }
  uint32_t mappedSampleRate();
  static uint32_t workerMain(void* device);
  // One pass of the worker; false once the device half has gone and the worker let go.
  bool workerPass();
  void letGoOfDeviceHalf();
  // Writes silence into the slots of a block the device asked for and no pass answered, and
  // marks it answered. True when there was one.
  bool answerPendingBlock();
  // Lets go of the block, telling a registered host that the format is about to change.
  void releaseBlock();
  // Maps the device's current block; tells a registered host the new format when it changed.
  bool mapBlock();
  CReWireAudioOutput* outputAt(LONG index) const;
  // The loop of the latest record, for RequestLocate on the host's threads without the lock.
  struct PublishedLoop {
    int64_t start;
    int64_t end;
    DWORD on;
  };
  void publishLoop();
  PublishedLoop publishedLoop() const;
  void pumpChannel1();
  void pumpChannel0();
  void sendMessage(const void* bytes, uint32_t size);
  void buildRecord(const DriveAudioInput& drive);
  LONG transportNotice(uint32_t playMode);

  friend ComObject;
  bool answers(const IID& riid) const {
    return riid == IID_IAudioDevice || riid == IID_IAudioDevice2;
  }
  HRESULT queryOther(const IID& riid, void** out);
  void lastRelease() { ScalarDeletingDestructor(kDeleteObject); }

  // Taken by the real-time worker and by the host's threads: it lends the worker's priority
  // to a host thread that holds it.
  platform::PriorityLock lock_;
  DWORD userData_ = 0;
  CReWireAudioClass* owner_;
  CSpecifyPropertyPages* provider_ = nullptr;
  CReWireDriverPPage* page_ = nullptr;  // borrowed: the page holds the device, not the reverse
  PanelConnection connection_;
  TRANSPORTINFO current_{};
  TRANSPORTINFO previous_{};
  // The worker's copy of the fields of the mixer's record that the audio cycle reads; the
  // others stay zero.
  DriveAudioInput request_{};
  DWORD attachCount_ = 0;
  DWORD bufferFrames_ = 0;
  std::atomic<DWORD> flags_{0};
  std::atomic<DWORD> connectionFlags_{0};
  std::atomic<int64_t> sampleCounter_{0};
  std::atomic<int64_t> lastReportedPosition_{0};
  std::atomic<int64_t> sampleStartOffset_{0};
  std::atomic<uint32_t> cycleTimeStamp_{0};
  // The song position and tempo of the latest block, for the position queries.
  std::atomic<int64_t> publishedSongPosition_{0};
  std::atomic<double> publishedTempo_{0.0};
  std::atomic<uint32_t> publishedLoopSequence_{0};
  std::atomic<int64_t> publishedLoopStart_{0};
  std::atomic<int64_t> publishedLoopEnd_{0};
  std::atomic<DWORD> publishedLoopOn_{0};
  bool formatChanging_ = false;  // code 12 told, the new format not yet
  WCHAR name_[kNameCapacity] = {};
  DEVICECALLBACK callback_ = nullptr;
  DWORD cookie_ = 0;
  WAVEFORMATEX stereoFormat_{};
  WAVEFORMATEX monoFormat_{};
  tTZLIST* outputs_ = nullptr;
};

}  // namespace tz::rewire

// The host's view of an audio driver: the driver class, its devices and their outputs as
// reference-counted objects with binary interfaces in the Component Object Model's style.
// Every interface derives from IUnknown by single inheritance; its functions sit in the
// virtual table in exactly the order below, stdcall with the object first, and every one but
// AddRef, Release and a few plain getters returns a status. Slots without a documented name
// are named after their place (SlotN) and take 32-bit words. The implementing objects add
// their deleting destructor (one slot, taking the delete flag) after the interface's slots.
#pragma once

#include "tz/export.h"
#include "tz/metrics.h"
#include "tz/wave_format.h"
#include "tz/win_types.h"

// Interface methods: stdcall, and like every export they realign the stack, since a host
// built by another compiler may call them with only 4-byte alignment.
#define TZ_COM __attribute__((stdcall, force_align_arg_pointer))

typedef GUID IID;

// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr IID IID_IPropertyPage = {
    0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr IID IID_IAudioClass = {
    0x9F5A368A, 0xBC04, 0x11D0, {0x96, 0x5E, 0x08, 0x00, 0x2B, 0xE5, 0xD6, 0x09}};
constexpr IID IID_IAudioDevice = {
    0x9F5A368C, 0xBC04, 0x11D0, {0x96, 0x5E, 0x08, 0x00, 0x2B, 0xE5, 0xD6, 0x09}};
constexpr IID IID_IAudioDevice2 = {
    0xC3D5A06F, 0xAD5A, 0x4264, {0xB7, 0x00, 0x2B, 0x0B, 0xB0, 0x94, 0x75, 0x7F}};
constexpr IID IID_IAudioOut = {
    0x9F5A3689, 0xBC04, 0x11D0, {0x96, 0x5E, 0x08, 0x00, 0x2B, 0xE5, 0xD6, 0x09}};
constexpr IID IID_IEnumAudioDevs = {
    0xC2EEE26E, 0xE884, 0x422F, {0x8F, 0xD9, 0xDE, 0xC6, 0xFE, 0x3C, 0xF9, 0x3E}};
constexpr IID IID_IEnumAudioOut = {
    0x7B72AFB3, 0xBC12, 0x11D0, {0x96, 0x5E, 0x08, 0x00, 0x2B, 0xE5, 0xD6, 0x09}};
constexpr IID IID_IEnumAudioIn = {
    0x2D47F8CD, 0xBCB9, 0x11D0, {0x96, 0x5E, 0x08, 0x00, 0x2B, 0xE5, 0xD6, 0x09}};

constexpr HRESULT TZ_E_FORMAT_NOT_SUPPORTED = static_cast<HRESULT>(0x8004E000UL);
constexpr HRESULT TZ_E_OUTPUT_NOT_OPEN = static_cast<HRESULT>(0x8004E001UL);
constexpr HRESULT TZ_E_OUTPUT_ALREADY_OPEN = static_cast<HRESULT>(0x8004E004UL);

// The transport record the driver builds for every block of the mixer and hands to the host.
// Times are in 100-ns units, positions in frames or ticks.
struct TRANSPORTINFO {
  DWORD size;  // 184
  DWORD validMask;
  DWORD kind;
  DWORD frames;  // frames of this block
  LONGLONG samplePosition;
  LONGLONG songTime;
  LONGLONG playTime;  // since the transport last started playing
  WAVEFORMATEX format;
  BYTE reserved58[22];
  DWORD outputCount;
  DWORD reserved84;
  DWORD reserved88;
  DWORD reserved92;
  double tempo;  // beats per minute
  DWORD signatureDenominator;
  DWORD signatureNumerator;
  DWORD ticksPerQuarterNote;  // 24576 or 15360
  DWORD reserved116;
  LONGLONG loopStartTime;
  LONGLONG loopLengthTime;
  DWORD loopOn;
  DWORD beforeLoopEnd;
  DWORD atLoopRestart;
  DWORD reserved148;
  LONGLONG songPosition;  // ticks
  LONGLONG loopStart;
  LONGLONG loopEnd;
  DWORD built;
  DWORD reserved180;
};
static_assert(sizeof(TRANSPORTINFO) == 184);
static_assert(offsetof(TRANSPORTINFO, samplePosition) == 16 &&
              offsetof(TRANSPORTINFO, format) == 40);
static_assert(offsetof(TRANSPORTINFO, outputCount) == 80 && offsetof(TRANSPORTINFO, tempo) == 96);
static_assert(offsetof(TRANSPORTINFO, ticksPerQuarterNote) == 112);
static_assert(offsetof(TRANSPORTINFO, loopStartTime) == 120 &&
              offsetof(TRANSPORTINFO, loopOn) == 136);
static_assert(offsetof(TRANSPORTINFO, songPosition) == 152 &&
              offsetof(TRANSPORTINFO, built) == 176);

// What every record the driver builds carries in `kind` and `validMask`.
constexpr DWORD TRANSPORTINFO_KIND = 2;
constexpr DWORD TRANSPORTINFO_VALID = 0xF0;
// The host's musical positions when the device's 24576 tick mode is on (the default); the
// mixer's are kRWTicksPerQuarterNote.
constexpr DWORD TRANSPORT_TICKS_24576 = 24576;

// Change flags of device callback code 23.
constexpr DWORD TRANSPORT_CHANGED_TEMPO = 0x10;
constexpr DWORD TRANSPORT_CHANGED_SIGNATURE = 0x20;
constexpr DWORD TRANSPORT_CHANGED_LOOP = 0x40;
constexpr DWORD TRANSPORT_CHANGED_POSITION = 0x80;
constexpr DWORD TRANSPORT_CHANGED_FORMAT = 0x100;

struct IUnknown {
  virtual HRESULT TZ_COM QueryInterface(const IID& riid, void** out) = 0;
  virtual ULONG TZ_COM AddRef() = 0;
  virtual ULONG TZ_COM Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IAudioClass;
struct IAudioDevice;
struct IAudioOut;
struct IEnumAudioDevs;
struct IEnumAudioOut;
struct IEnumAudioIn;

// Device notifications: (device, event code, host cookie, argument, pointer) → status.
typedef LONG(TZ_CALLBACK* DEVICECALLBACK)(IAudioDevice* device, DWORD code, DWORD cookie,
                                          DWORD argument, void* pointer);
// Output rendering: (output, code, cookie, 0, buffer, frames, remaining, record) → frames.
typedef LONG(TZ_CALLBACK* OUTPUTCALLBACK)(IAudioOut* output, DWORD code, DWORD cookie, DWORD zero,
                                          void* buffer, DWORD frames, DWORD remaining,
                                          TRANSPORTINFO* record);

struct CAUUID {
  ULONG cElems;
  GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
  virtual HRESULT TZ_COM GetPages(CAUUID* pages) = 0;

 protected:
  ~ISpecifyPropertyPages() = default;
};

// The standard property-page records and interfaces, laid out as on 32-bit Windows.
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct PROPPAGEINFO {
  ULONG cb;         // the caller's record size; at least 28
  WCHAR* pszTitle;  // task-allocator memory, the caller frees it
  SIZE size;        // pixels
  WCHAR* pszDocString;
  WCHAR* pszHelpFile;
  DWORD dwHelpContext;
};
static_assert(sizeof(RECT) == 16 && sizeof(SIZE) == 8);
static_assert(sizeof(PROPPAGEINFO) == 28 && offsetof(PROPPAGEINFO, size) == 8 &&
              offsetof(PROPPAGEINFO, dwHelpContext) == 24);
struct MSG;

struct IPropertyPageSite : IUnknown {
  virtual HRESULT TZ_COM OnStatusChange(DWORD flags) = 0;
  virtual HRESULT TZ_COM GetLocaleID(LCID* locale) = 0;
  virtual HRESULT TZ_COM GetPageContainer(IUnknown** container) = 0;
  virtual HRESULT TZ_COM TranslateAccelerator(MSG* message) = 0;

 protected:
  ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
  virtual HRESULT TZ_COM SetPageSite(IPropertyPageSite* site) = 0;  // 3
  virtual HRESULT TZ_COM Activate(HWND parent, const RECT* rect, BOOL modal) = 0;
  virtual HRESULT TZ_COM Deactivate() = 0;
  virtual HRESULT TZ_COM GetPageInfo(PROPPAGEINFO* info) = 0;  // 6
  virtual HRESULT TZ_COM SetObjects(ULONG count, IUnknown** objects) = 0;
  virtual HRESULT TZ_COM Show(UINT command) = 0;
  virtual HRESULT TZ_COM Move(const RECT* rect) = 0;  // 9
  virtual HRESULT TZ_COM IsPageDirty() = 0;
  virtual HRESULT TZ_COM Apply() = 0;
  virtual HRESULT TZ_COM Help(const WCHAR* helpFolder) = 0;  // 12
  virtual HRESULT TZ_COM TranslateAccelerator(MSG* message) = 0;

 protected:
  ~IPropertyPage() = default;
};

struct IAudioClass : IUnknown {
  virtual HRESULT TZ_COM Initialize(HTZMETRICS settingsKey) = 0;  // 3: the host's settings store
  virtual HRESULT TZ_COM Terminate() = 0;
  virtual HRESULT TZ_COM GetClassType(DWORD* type) = 0;
  virtual HRESULT TZ_COM GetName(WCHAR* buffer, LONG length) = 0;
  virtual HRESULT TZ_COM Slot7(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM SetParameter(DWORD id, DWORD value) = 0;  // 8
  virtual HRESULT TZ_COM GetParameter(DWORD id, DWORD* value) = 0;
  virtual HRESULT TZ_COM SetUserData(DWORD value) = 0;
  virtual DWORD TZ_COM GetUserData() = 0;
  virtual HRESULT TZ_COM Slot12(DWORD) = 0;
  virtual HRESULT TZ_COM Slot13() = 0;
  virtual HRESULT TZ_COM Slot14(DWORD) = 0;
  virtual HRESULT TZ_COM Slot15() = 0;
  virtual HRESULT TZ_COM Slot16() = 0;
  virtual HRESULT TZ_COM Slot17() = 0;
  virtual HRESULT TZ_COM Slot18() = 0;
  virtual HRESULT TZ_COM Slot19(DWORD, DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot20(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot21(DWORD, DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot22() = 0;
  virtual HRESULT TZ_COM Slot23() = 0;
  virtual HRESULT TZ_COM Slot24() = 0;
  virtual HRESULT TZ_COM Slot25() = 0;
  virtual HRESULT TZ_COM Slot26() = 0;
  virtual HRESULT TZ_COM Slot27(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot28() = 0;
  virtual HRESULT TZ_COM Slot29(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot30(DWORD) = 0;
  virtual HRESULT TZ_COM Slot31(DWORD) = 0;
  virtual HRESULT TZ_COM Slot32(DWORD first, void** second) = 0;
  virtual HRESULT TZ_COM EnumDevices(IEnumAudioDevs** devices) = 0;  // 33
  virtual HRESULT TZ_COM Slot34(DWORD) = 0;
  virtual HRESULT TZ_COM Slot35(DWORD) = 0;

 protected:
  ~IAudioClass() = default;
};

// The three enumerators share one shape; Next hands out referenced objects.
template <typename Element>
struct IEnumAudio : IUnknown {
  virtual HRESULT TZ_COM Next(ULONG requested, Element** elements, ULONG* fetched) = 0;
  virtual HRESULT TZ_COM Skip(ULONG count) = 0;
  virtual HRESULT TZ_COM Reset() = 0;
  virtual HRESULT TZ_COM Clone(IEnumAudio** copy) = 0;

 protected:
  ~IEnumAudio() = default;
};
struct IEnumAudioDevs : IEnumAudio<IAudioDevice> {};
struct IEnumAudioOut : IEnumAudio<IAudioOut> {};
struct IEnumAudioIn : IEnumAudio<IUnknown> {};

struct IAudioDevice : IUnknown {
  virtual HRESULT TZ_COM GetDriverClass(const IID& riid, void** out) = 0;  // 3
  virtual HRESULT TZ_COM IsFormatSupported(const WAVEFORMATEX* format, DWORD flags) = 0;
  virtual HRESULT TZ_COM Slot5() = 0;
  virtual HRESULT TZ_COM Attach() = 0;  // 6
  virtual HRESULT TZ_COM Detach() = 0;
  virtual HRESULT TZ_COM ApplySettings(DWORD* settings) = 0;
  virtual HRESULT TZ_COM IsAttached() = 0;
  virtual HRESULT TZ_COM Slot10() = 0;
  virtual HRESULT TZ_COM SetUserData(DWORD value) = 0;  // 11
  virtual DWORD TZ_COM GetUserData() = 0;
  virtual HRESULT TZ_COM Slot13(DWORD) = 0;
  virtual HRESULT TZ_COM Slot14() = 0;
  virtual HRESULT TZ_COM GetClassType(DWORD* type) = 0;  // 15
  virtual HRESULT TZ_COM GetName(WCHAR* buffer, LONG length) = 0;
  virtual HRESULT TZ_COM GetPortCounts(DWORD* outputs, DWORD* inputs) = 0;
  virtual HRESULT TZ_COM GetLatency(LONGLONG* latency, DWORD* unit, DWORD unused) = 0;
  virtual HRESULT TZ_COM Slot19(DWORD, DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM GetBufferSizes(DWORD* first, DWORD* second, DWORD* third,
                                        DWORD* fourth) = 0;  // 20
  virtual HRESULT TZ_COM Slot21(DWORD) = 0;
  virtual HRESULT TZ_COM Slot22() = 0;
  virtual HRESULT TZ_COM Open(WAVEFORMATEX* format, DEVICECALLBACK callback, DWORD cookie) = 0;
  virtual HRESULT TZ_COM Close() = 0;  // 24
  virtual HRESULT TZ_COM Start() = 0;
  virtual HRESULT TZ_COM Stop() = 0;
  virtual HRESULT TZ_COM PrepareAndRun() = 0;
  virtual HRESULT TZ_COM HaltAlias() = 0;  // 28: the same as Halt
  virtual HRESULT TZ_COM Run(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Halt() = 0;  // 30
  virtual HRESULT TZ_COM Prepare(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM GetMusicalPosition(LONGLONG* position, DWORD* unit) = 0;
  virtual HRESULT TZ_COM GetSamplePosition(LONGLONG* position) = 0;
  virtual HRESULT TZ_COM CreatePropertyPage(const IID& riid, void** page) = 0;  // 34
  virtual HRESULT TZ_COM EnumInputs(IEnumAudioIn** inputs) = 0;
  virtual HRESULT TZ_COM EnumOutputs(IEnumAudioOut** outputs) = 0;
  virtual HRESULT TZ_COM GetNameAlias(WCHAR* buffer, LONG length) = 0;  // 37: as GetName
  virtual HRESULT TZ_COM GetFormat(WAVEFORMATEX* format) = 0;
  virtual HRESULT TZ_COM Slot39() = 0;
  virtual HRESULT TZ_COM Slot40(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot41() = 0;
  virtual HRESULT TZ_COM Slot42() = 0;
  virtual HRESULT TZ_COM Slot43(DWORD) = 0;
  virtual HRESULT TZ_COM Slot44(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot45(DWORD) = 0;

 protected:
  ~IAudioDevice() = default;
};

// Transport between the host and the mixer: positions in ticks of 24576 per quarter note,
// source 2 and flags 0 for a request the host means.
struct IAudioDevice2 : IAudioDevice {
  virtual LONG TZ_COM SetTransportSync(DWORD enable) = 0;  // 46
  virtual LONG TZ_COM Slot47(DWORD, DWORD, DWORD, DWORD) = 0;
  virtual LONG TZ_COM RequestPlay(DWORD first, DWORD second, DWORD source, DWORD flags) = 0;
  virtual LONG TZ_COM RequestStop(DWORD first, DWORD second, DWORD source, DWORD flags) = 0;
  virtual LONG TZ_COM RequestLocate(LONGLONG position, LONGLONG loopStart, LONGLONG loopLength,
                                    DWORD source, LONG loopOn, DWORD flags) = 0;  // 50

 protected:
  ~IAudioDevice2() = default;
};

struct IAudioOut : IUnknown {
  virtual HRESULT TZ_COM Slot3() = 0;
  virtual HRESULT TZ_COM Slot4(DWORD) = 0;
  virtual HRESULT TZ_COM Slot5(DWORD, DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot6(DWORD) = 0;
  virtual HRESULT TZ_COM Slot7(DWORD) = 0;
  virtual HRESULT TZ_COM Slot8(DWORD) = 0;
  virtual HRESULT TZ_COM GetFirstLabel(WCHAR* buffer, LONG length) = 0;  // 9
  virtual HRESULT TZ_COM SetFirstLabel(const WCHAR* text) = 0;
  virtual HRESULT TZ_COM GetSecondLabel(WCHAR* buffer, LONG length) = 0;
  virtual HRESULT TZ_COM GetCustomPortName(WCHAR* buffer, LONG length) = 0;
  virtual HRESULT TZ_COM SetCustomPortName(const WCHAR* text) = 0;
  virtual HRESULT TZ_COM GetPortName(WCHAR* buffer, LONG length) = 0;  // 14
  virtual HRESULT TZ_COM GetChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                         LONG rightLength) = 0;
  virtual HRESULT TZ_COM SetChannelNames(const WCHAR* left, const WCHAR* right) = 0;
  virtual HRESULT TZ_COM GetDefaultChannelNames(WCHAR* left, LONG leftLength, WCHAR* right,
                                                LONG rightLength) = 0;
  virtual HRESULT TZ_COM IsFormatSupported(const WAVEFORMATEX* format) = 0;  // 18
  virtual HRESULT TZ_COM Open(WAVEFORMATEX* format, DWORD, DWORD, DWORD, LONGLONG* duration,
                              OUTPUTCALLBACK callback, DWORD cookie) = 0;
  virtual HRESULT TZ_COM Close() = 0;  // 20
  virtual HRESULT TZ_COM Start(DWORD) = 0;
  virtual HRESULT TZ_COM Stop() = 0;
  virtual HRESULT TZ_COM Pause() = 0;
  virtual HRESULT TZ_COM Slot24(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot25(DWORD) = 0;
  virtual HRESULT TZ_COM Slot26(DWORD) = 0;
  virtual HRESULT TZ_COM Slot27(DWORD) = 0;
  virtual HRESULT TZ_COM GetSamplePosition(LONGLONG* position) = 0;  // 28
  virtual HRESULT TZ_COM Slot29(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot30(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM Slot31(DWORD, DWORD) = 0;
  virtual HRESULT TZ_COM GetLatency(LONGLONG* latency) = 0;  // 32
  virtual HRESULT TZ_COM GetProperty(DWORD id, DWORD* value) = 0;
  virtual HRESULT TZ_COM SetProperty(DWORD id, DWORD* value) = 0;
  virtual HRESULT TZ_COM Slot35(DWORD) = 0;
  virtual HRESULT TZ_COM Slot36(DWORD) = 0;
  virtual DWORD TZ_COM GetChannelMask() = 0;  // 37

 protected:
  ~IAudioOut() = default;
};

// The driver's two exports: the driver class (0 and a referenced class, or a failure status
// and null; S_FALSE when no mixer application runs), and the switch of the module's language
// (always 0).
TZAPI(HRESULT) TzAudioDriver_CreateDriverClass(IAudioClass** driverClass, DWORD reserved);
TZAPI(HRESULT) TzAudioDriver_TranslateDriver(LCID locale);

#include "standins/loopra70/host_session.h"

#include <cinttypes>
#include <cstdint>

#include "standins/loopra70/transport_requests.h"
#include "support/platform/text_encoding.h"

namespace tz::host {
namespace {

// The cookie carries the log's address.
static_assert(sizeof(void*) == sizeof(DWORD));

constexpr DWORD kHostSource = 2;  // a request the host means, not an echo

// The driver may call from its worker thread with any stack alignment; nothing may throw back.
LONG TZ_STDCALL onDeviceCallback(IAudioDevice*, DWORD code, DWORD cookie, DWORD argument,
                                 void* pointer) {
  try {
    reinterpret_cast<CallbackLog*>(static_cast<uintptr_t>(cookie))->record(code, argument, pointer);
  } catch (...) {
  }
  return 0;
}

std::string hex(HRESULT status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<uint32_t>(status));
  return text;
}

template <typename Interface>
void release(Interface*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

}  // namespace

bool HostSession::step(const char* name, HRESULT status, std::string& error) {
  if (status >= 0) return true;
  error = std::string(name) + " failed with status " + hex(status);
  return false;
}

HostSession::Created HostSession::create(const DriverLibrary& driver, HTZMETRICS settings,
                                         std::string& error) {
  const HRESULT created = driver.createDriverClass(&class_, 0);
  if (created == S_FALSE) return Created::NoMixer;
  if (created != S_OK || class_ == nullptr) {
    error = "TzAudioDriver_CreateDriverClass failed with status " + hex(created);
    class_ = nullptr;
    return Created::Failed;
  }
  // The driver class keeps its device settings below the host's store. Terminate follows
  // even a failed Initialize: it also releases the class's hold on the engine.
  initialized_ = true;
  const HRESULT initialized = class_->Initialize(settings);
  return step("Initialize", initialized, error) ? Created::Ready : Created::Failed;
}

bool HostSession::run(std::string& error) {
  IEnumAudioDevs* devices = nullptr;
  if (!step("EnumDevices", class_->EnumDevices(&devices), error)) return false;
  IAudioDevice* device = nullptr;
  const HRESULT next = devices->Next(1, &device, nullptr);
  release(devices);
  if (next != S_OK || device == nullptr) {
    error = "the driver class has no device";
    return false;
  }
  const HRESULT query =
      device->QueryInterface(IID_IAudioDevice2, reinterpret_cast<void**>(&device_));
  release(device);
  if (!step("QueryInterface(IAudioDevice2)", query, error)) return false;
  if (!step("Attach", device_->Attach(), error)) return false;
  attached_ = true;
  WCHAR name[260] = {};
  device_->GetName(name, 260);
  DWORD outputs = 0;
  device_->GetPortCounts(&outputs, nullptr);
  std::fprintf(out_, "device: %s, %" PRIu32 " outputs\n", platform::utf8FromUtf16(name).c_str(),
               static_cast<uint32_t>(outputs));
  WAVEFORMATEX format{};
  const DWORD cookie = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&log_));
  if (!step("Open", device_->Open(&format, onDeviceCallback, cookie), error)) return false;
  opened_ = true;
  std::fprintf(out_, "format: tag=%u channels=%u rate=%" PRIu32 " bits=%u\n", format.wFormatTag,
               format.nChannels, static_cast<uint32_t>(format.nSamplesPerSec),
               format.wBitsPerSample);
  // The outputs start before the device runs, so that every channel carries the signal from
  // the same block on.
  if (!outputs_.open(device_, error)) return false;
  std::fprintf(out_, "outputs: %zu %s\n", outputs_.count(),
               outputs_.idle() ? "rendering nothing" : "rendering the test signal");
  if (!step("Start", device_->Start(), error)) return false;
  started_ = true;
  if (!step("PrepareAndRun", device_->PrepareAndRun(), error)) return false;
  running_ = true;
  std::fprintf(out_, "running: transport sync %s\n", device_->SetTransportSync(1) ? "on" : "off");
  std::fflush(out_);
  return true;
}

void HostSession::listPorts() {
  IEnumAudioOut* outputs = nullptr;
  if (device_ == nullptr || device_->EnumOutputs(&outputs) != S_OK) return;
  IAudioOut* output = nullptr;
  for (int index = 0; outputs->Next(1, &output, nullptr) == S_OK; ++index) {
    WCHAR name[260] = {};
    output->GetPortName(name, 260);
    std::fprintf(out_, "port %d: %s\n", index, platform::utf8FromUtf16(name).c_str());
    release(output);
  }
  release(outputs);
  std::fflush(out_);
}

void HostSession::request(const TransportRequest& request) {
  LONG status = 0;
  if (request.kind == RequestKind::Play) {
    status = device_->RequestPlay(0, 0, kHostSource, 0);
  } else if (request.kind == RequestKind::Stop) {
    status = device_->RequestStop(0, 0, kHostSource, 0);
  } else {
    const LocateArguments a = locateArguments(request);
    status =
        device_->RequestLocate(a.position, a.loopStart, a.loopLength, kHostSource, a.loopOn, 0);
  }
  char line[80];
  std::snprintf(line, sizeof line, "request %s at %.3f s: %ld", requestName(request.kind),
                request.seconds, static_cast<long>(status));
  printLine(out_, line);
}

bool HostSession::shutDown() {
  if (class_ == nullptr) return true;
  std::string line = "shutdown:";
  bool clean = true;
  const auto note = [&](const char* name, HRESULT status) {
    line += std::string(" ") + name + " " + hex(status);
    clean = clean && status >= 0;
  };
  if (running_) note("Halt", device_->Halt());
  if (started_) note("Stop", device_->Stop());
  outputs_.close();
  if (opened_) note("Close", device_->Close());
  if (attached_) note("Detach", device_->Detach());
  if (initialized_) note("Terminate", class_->Terminate());
  running_ = started_ = opened_ = attached_ = initialized_ = false;
  release(device_);
  line += " Release " + std::to_string(class_->Release());
  class_ = nullptr;
  printLine(out_, line);
  return clean;
}

}  // namespace tz::host

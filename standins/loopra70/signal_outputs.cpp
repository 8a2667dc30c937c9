#include "standins/loopra70/signal_outputs.h"

#include <cmath>
#include <cstdint>

#include "standins/test_signal/test_signal.h"

namespace tz::host {

namespace {

constexpr DWORD kRender = 2;
constexpr DWORD kFirstOfBlock = 0x8000;

// Called on the driver's worker thread; the cookie is the output's index.
LONG TZ_STDCALL renderSignal(IAudioOut*, DWORD code, DWORD output, DWORD, void* buffer,
                             DWORD frames, DWORD, TRANSPORTINFO* record) {
  if ((code & ~kFirstOfBlock) != kRender) return 1;  // open: accept; the others are notices
  if (buffer == nullptr || record == nullptr) return 0;
  const int64_t ticks = signal::mixerTicks(record->songPosition, record->ticksPerQuarterNote);
  const auto tempo = static_cast<uint32_t>(std::llround(record->tempo * 1000));
  const int64_t start = signal::songFrame(ticks, tempo, record->format.nSamplesPerSec);
  auto* samples = static_cast<float*>(buffer);
  for (DWORD f = 0; f < frames; ++f) {
    samples[2 * f] = signal::sample(2 * output, start + f);
    samples[2 * f + 1] = signal::sample(2 * output + 1, start + f);
  }
  return static_cast<LONG>(frames);
}

LONG TZ_STDCALL renderNothing(IAudioOut*, DWORD code, DWORD, DWORD, void*, DWORD frames, DWORD,
                              TRANSPORTINFO*) {
  return (code & ~kFirstOfBlock) == kRender ? static_cast<LONG>(frames) : 1;
}

}  // namespace

bool SignalOutputs::open(IAudioDevice2* device, std::string& error) {
  IEnumAudioOut* outputs = nullptr;
  if (device->EnumOutputs(&outputs) != S_OK) {
    error = "EnumOutputs failed";
    return false;
  }
  bool opened = true;
  IAudioOut* output = nullptr;
  for (DWORD index = 0; opened && outputs->Next(1, &output, nullptr) == S_OK; ++index) {
    outputs_.push_back(output);
    WAVEFORMATEX format{};
    LONGLONG duration = 0;  // the driver grants one mixer block at least
    const HRESULT status =
        output->Open(&format, 0, 0, 0, &duration, idle_ ? renderNothing : renderSignal, index);
    opened = status == S_OK && output->Start(0) == S_OK;
    if (!opened) error = "output " + std::to_string(index) + " did not open";
  }
  outputs->Release();
  return opened;
}

void SignalOutputs::close() {
  for (IAudioOut* output : outputs_) {
    output->Stop();
    output->Close();
    output->Release();
  }
  outputs_.clear();
}

}  // namespace tz::host

// A host built by another compiler may call the interfaces with a stack aligned to 4 bytes
// only. Every method realigns it, so what it calls (vector code, the host's callbacks) runs on a
// 16-byte aligned stack again. The calls here come from a stack 4 bytes off alignment.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "kaudio/audiodrvs/ReWire/host/audio_device.h"
#include "kaudio/audiodrvs/ReWire/host/audio_output.h"
#include "kaudio/audiodrvs/ReWire/host/enumerators.h"
#include "tests/kaudio/audiodrvs/ReWire/host/device_test_access.h"

// Calls the stdcall function `fn` with `count` 32-bit arguments from a stack whose pointer is
// 4 bytes past 16-byte alignment at the call. Its assembler name is given, since the systems
// decorate C names differently.
extern "C" uint32_t callMisaligned(const void* fn, const uint32_t* arguments,
                                   uint32_t count) asm("tz_call_misaligned");
asm(R"(
  .text
  .globl tz_call_misaligned
tz_call_misaligned:
  push %ebp
  mov %esp, %ebp
  push %esi
  push %edi
  mov 12(%ebp), %esi
  mov 16(%ebp), %ecx
  lea (,%ecx,4), %edx
  sub %edx, %esp
  and $-16, %esp
  sub $12, %esp
  mov %esp, %edi
  cld
  rep movsl
  call *8(%ebp)
  lea -8(%ebp), %esp
  pop %edi
  pop %esi
  pop %ebp
  ret
)");

namespace tz::rewire {
namespace {

// The stack alignment a callback found, as the offset of its frame from 16 bytes (8 when
// the caller kept the stack aligned: the return address and the saved frame pointer).
int frameOffset = -1;

int ownFrameOffset(const void* frame) {
  return static_cast<int>(reinterpret_cast<uintptr_t>(frame) % 16);
}

LONG TZ_CALLBACK deviceCallback(IAudioDevice*, DWORD code, DWORD, DWORD, void*) {
  if (code == 0) frameOffset = ownFrameOffset(__builtin_frame_address(0));
  return 0;
}

LONG TZ_CALLBACK outputCallback(IAudioOut*, DWORD code, DWORD, DWORD, void*, DWORD, DWORD,
                                TRANSPORTINFO*) {
  if (code == 0) frameOffset = ownFrameOffset(__builtin_frame_address(0));
  return 1;
}

// The address in slot n of an object's virtual table.
const void* slot(void* object, int n) {
  return (*static_cast<void***>(object))[n];
}

uint32_t word(const void* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

uint32_t call(void* object, int n, std::initializer_list<uint32_t> arguments) {
  std::vector<uint32_t> words{word(object)};
  words.insert(words.end(), arguments);
  return callMisaligned(slot(object, n), words.data(), static_cast<uint32_t>(words.size()));
}

TEST(StackAlignment, EveryObjectRealignsWhatItCalls) {
  auto* device = new CReWireAudioDevice(nullptr);
  device->AddRef();
  DeviceTestAccess::attach(*device, 512, 44100);
  WAVEFORMATEX format{};
  // Slot 23, Open: the host's callback runs on an aligned stack again.
  frameOffset = -1;
  EXPECT_EQ(0u,
            call(device, 23, {word(&format), word(reinterpret_cast<void*>(deviceCallback)), 0}));
  EXPECT_EQ(8, frameOffset) << "the device's Open passed the misaligned stack on";
  EXPECT_EQ(44100u, format.nSamplesPerSec);

  // Slot 19 of an output, Open.
  auto* output = new CReWireAudioOutput(0, device);
  output->AddRef();
  LONGLONG duration = 0;
  frameOffset = -1;
  EXPECT_EQ(0u, call(output, 19,
                     {word(&format), 0, 0, 0, word(&duration),
                      word(reinterpret_cast<void*>(outputCallback)), 0}));
  EXPECT_EQ(8, frameOffset) << "the output's Open passed the misaligned stack on";

  // Slot 18 of the device, GetLatency (double arithmetic), and an enumerator's Next.
  LONGLONG latency = 0;
  DWORD unit = 0;
  EXPECT_EQ(0u, call(device, 18, {word(&latency), word(&unit), 0}));
  EXPECT_EQ(232200, latency);
  IEnumAudioOut* outputs = nullptr;
  ASSERT_EQ(S_OK, device->EnumOutputs(&outputs));
  EXPECT_EQ(static_cast<uint32_t>(S_FALSE), call(outputs, 4, {1, 0, 0})) << "nothing to hand out";
  outputs->Release();

  output->Close();
  output->Release();
  device->Close();
  device->Release();
}

}  // namespace
}  // namespace tz::rewire

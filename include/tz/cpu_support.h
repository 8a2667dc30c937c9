// What the processor and operating system offer the library's kernels, and the
// application-controlled mask of what they may use. Detection runs once per process, on the
// library's load or the first query; the queries then only read. No lock: the setters are
// meant for start-up, before the kernel tables are resolved.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

// Processor class, in the low four bits of TzGetCPUSupport's result: 0 not identified,
// 1 a 486, 2 a 586, 3 conditional moves and floating-point unit, 4 class 3 with MMX, 5 class 4
// with SSE, 6 class 5 with SSE2.
constexpr DWORD TZCPU_CLASS_MASK = 0xF;

constexpr DWORD TZCPU_MMX = 0x10;
constexpr DWORD TZCPU_SSE = 0x20;
constexpr DWORD TZCPU_SSE2 = 0x40;
constexpr DWORD TZCPU_SSE3 = 0x80;
constexpr DWORD TZCPU_SSSE3 = 0x100;      // reported by the hardware and OS queries only
constexpr DWORD TZCPU_SSE41 = 0x200;      // reported by the hardware and OS queries only
constexpr DWORD TZCPU_SSE42 = 0x400;      // reported by the hardware and OS queries only
constexpr DWORD TZCPU_SIMD_MASK = 0xFF0;  // the instruction-set flags
constexpr DWORD TZCPU_CMOV = 0x1000;
constexpr DWORD TZCPU_FPU_CMOV = 0x2000;  // conditional moves and the floating-point unit
constexpr DWORD TZCPU_TSC = 0x4000;
constexpr DWORD TZCPU_DAZ = 0x20000;  // flush-to-zero and denormals-are-zero can be switched on

// Allowed AND (class OR usable flags) AND mask, OR the class set by TzSetCPUClassBySupport.
// A mask of 0 means all bits.
TZAPI(DWORD) TzGetCPUSupport(DWORD mask);
// Instruction sets whose registers the operating system preserves, AND mask; 0 means all.
TZAPI(DWORD) TzGetOSSupport(DWORD mask);
// Processors available to this process, at least 1.
TZAPI(DWORD) TzGetProcessorCount();

// Adds flags to, or removes them from, the allowed mask. Both return TRUE.
TZAPI(BOOL) TzAllowCPUSupport(DWORD flags);
TZAPI(BOOL) TzDisallowCPUSupport(DWORD flags);
// Replaces the allowed instruction sets by flags, keeping the other allowed bits. Returns
// FALSE and changes nothing if flags has a bit outside TZCPU_SIMD_MASK.
TZAPI(BOOL) TzOnlyAllowCPUSupport(DWORD flags);
// Stops reporting the detected class and reports instead the class that the allowed and
// usable instruction sets reach: 6 with SSE2, 5 with SSE, 4 with MMX, else 0. Returns TRUE.
TZAPI(BOOL) TzSetCPUClassBySupport();

// The exception record and processor context of 32-bit x86, laid out as the original platform
// lays them out: crash reports read them, the platform's crash guard fills them from a signal's
// machine state, and callers of the original platform hand them in with this layout.
#pragma once

#include <cstddef>

#include "tz/win_types.h"

constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;
constexpr DWORD SIZE_OF_80387_REGISTERS = 80;
constexpr DWORD MAXIMUM_SUPPORTED_EXTENSION = 512;

struct EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  EXCEPTION_RECORD* ExceptionRecord;
  void* ExceptionAddress;
  DWORD NumberParameters;
  ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

struct FLOATING_SAVE_AREA {
  DWORD ControlWord;
  DWORD StatusWord;
  DWORD TagWord;
  DWORD ErrorOffset;
  DWORD ErrorSelector;
  DWORD DataOffset;
  DWORD DataSelector;
  BYTE RegisterArea[SIZE_OF_80387_REGISTERS];
  DWORD Cr0NpxState;
};

struct CONTEXT {
  DWORD ContextFlags;
  DWORD Dr0;
  DWORD Dr1;
  DWORD Dr2;
  DWORD Dr3;
  DWORD Dr6;
  DWORD Dr7;
  FLOATING_SAVE_AREA FloatSave;
  DWORD SegGs;
  DWORD SegFs;
  DWORD SegEs;
  DWORD SegDs;
  DWORD Edi;
  DWORD Esi;
  DWORD Ebx;
  DWORD Edx;
  DWORD Ecx;
  DWORD Eax;
  DWORD Ebp;
  DWORD Eip;
  DWORD SegCs;
  DWORD EFlags;
  DWORD Esp;
  DWORD SegSs;
  BYTE ExtendedRegisters[MAXIMUM_SUPPORTED_EXTENSION];
};

struct EXCEPTION_POINTERS {
  EXCEPTION_RECORD* ExceptionRecord;
  CONTEXT* ContextRecord;
};

static_assert(sizeof(EXCEPTION_RECORD) == 80);
static_assert(offsetof(EXCEPTION_RECORD, ExceptionAddress) == 12);
static_assert(offsetof(EXCEPTION_RECORD, NumberParameters) == 16);
static_assert(offsetof(EXCEPTION_RECORD, ExceptionInformation) == 20);
static_assert(sizeof(FLOATING_SAVE_AREA) == 112);
static_assert(sizeof(CONTEXT) == 716);
static_assert(offsetof(CONTEXT, FloatSave) == 28);
static_assert(offsetof(CONTEXT, SegGs) == 140);
static_assert(offsetof(CONTEXT, SegFs) == 144);
static_assert(offsetof(CONTEXT, SegEs) == 148);
static_assert(offsetof(CONTEXT, SegDs) == 152);
static_assert(offsetof(CONTEXT, Edi) == 156);
static_assert(offsetof(CONTEXT, Esi) == 160);
static_assert(offsetof(CONTEXT, Ebx) == 164);
static_assert(offsetof(CONTEXT, Edx) == 168);
static_assert(offsetof(CONTEXT, Ecx) == 172);
static_assert(offsetof(CONTEXT, Eax) == 176);
static_assert(offsetof(CONTEXT, Ebp) == 180);
static_assert(offsetof(CONTEXT, Eip) == 184);
static_assert(offsetof(CONTEXT, SegCs) == 188);
static_assert(offsetof(CONTEXT, EFlags) == 192);
static_assert(offsetof(CONTEXT, Esp) == 196);
static_assert(offsetof(CONTEXT, SegSs) == 200);
static_assert(offsetof(CONTEXT, ExtendedRegisters) == 204);
static_assert(sizeof(EXCEPTION_POINTERS) == 8);

// The exception codes that processor faults raise.
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003;
constexpr DWORD EXCEPTION_SINGLE_STEP = 0x80000004;
constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FD;

// Which parts of a CONTEXT are filled.
constexpr DWORD CONTEXT_i386 = 0x10000;
constexpr DWORD CONTEXT_CONTROL = CONTEXT_i386 | 0x01;
constexpr DWORD CONTEXT_INTEGER = CONTEXT_i386 | 0x02;
constexpr DWORD CONTEXT_SEGMENTS = CONTEXT_i386 | 0x04;
constexpr DWORD CONTEXT_FLOATING_POINT = CONTEXT_i386 | 0x08;
constexpr DWORD CONTEXT_EXTENDED_REGISTERS = CONTEXT_i386 | 0x20;

// A filter's answers: run the handler (the guarded work ends), or look further.
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;

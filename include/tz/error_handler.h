// The error handler: result codes to user-facing messages, the details that go with the error
// being reported, Windows and common-dialog error numbers to result codes, and crash reports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/export.h"
#include "tz/system_string.h"
#include "tz/win_types.h"

// The processor context and exception records as laid out on 32-bit x86; a crash report reads
// them, and callers of the original platform hand them in with this layout.
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

// A message table row: the code and either a string id of the library's module language
// (1..65535) or, when 0 or above 65535, the address of the text itself (0: no text, which
// counts as an unknown code).
struct TZERRORTABLEENTRY {
  HRESULT code;
  ULONG_PTR message;
};

// Registers a caller's table (kept by address, never copied; it must outlive its use), searched
// before the built-in one in the order added. S_OK; S_FALSE when 32 tables are registered
// already; E_INVALIDARG for a null table or a count of 0 or less.
TZAPI(HRESULT) TzErrorHandler_AddErrorTable(const TZERRORTABLEENTRY* table, LONG count);

// The code's message (first match of the added tables, then the built-in one), or null when
// no table has text for it. The text stays valid while the module language is unchanged.
TZAPI(const WCHAR*) TzErrorHandler_GetHresultString(HRESULT code);

// The operation's context sentence (its one "%s" filled with argument, or "" when null), then
// the code's message or "Error 0x%08x (message missing)", at most 2047 characters. The result
// lives in the process's message buffer until the next composition.
TZAPI(const WCHAR*)
TzErrorHandler_GetErrorMessage(ULONG_PTR operation, HRESULT code, const WCHAR* argument);

// The composed message and, when details are pending, "\r\n<Details>\r\n", the details and
// "\r\n</Details>", in a new system string that the caller frees with SysFreeString. Null when
// memory runs out.
TZAPI(BSTR)
TzErrorHandler_ComposeErrorText(ULONG_PTR operation, HRESULT code, const WCHAR* argument);

// Shows the composed message; code 0x8004E00C (cancelled by the user) shows nothing and gives 1.
TZAPI(int)
TzErrorHandler_MsgBox(HWND owner, UINT style, ULONG_PTR operation, HRESULT code,
                      const WCHAR* argument, BOOL warning);

// Shows text (after "Warning: " with the warning flag), hands pending details to the box (style
// gains 0xC000) and clears them.
TZAPI(int) TzErrorHandler_MsgBoxText(HWND owner, UINT style, const WCHAR* text, BOOL warning);

// Details of the error being reported, one process-wide block under one lock. Init clears it.
TZAPI(HRESULT) TzErrorHandler_DetailsInit();

// Appends one line and "\r\n". A format holding '%' or '$' goes through the formatted print.
// The first caller owns the block; another thread is refused (E_FAIL) unless code is the last
// code added. E_POINTER for a null format; E_FAIL, nothing added, when the line is too long or
// the details would reach 16384 bytes.
TZAPIV(HRESULT) TzErrorHandler_DetailsAddString(HRESULT code, const WCHAR* format, ...);

// Fills each non-null address; the details text while lines are pending, else null. The text
// is the block's own and changes with the next call that adds or clears details.
TZAPI(const WCHAR*) TzErrorHandler_DetailsInfo(HRESULT* lastCode, LONG* count, DWORD* owner);

// The last code added to the details.
TZAPI(HRESULT) TzErrorHandler_GetLastError();

// Windows and common-dialog error numbers to result codes; unknown numbers give E_FAIL.
TZAPI(HRESULT) TzErrorHandler_TranslateWin32Error(DWORD error);
TZAPI(HRESULT) TzErrorHandler_TranslateCommDlgError(DWORD error);

// Hex dumps into a narrow buffer, 8 bytes or 4 words a line, unreadable memory shown as dots;
// they stop before a line once fewer than 50 characters remain. The characters written.
TZAPI(LONG) TzErrorHandler_DumpHex(char* buffer, LONG size, const void* address, LONG count);
TZAPI(LONG) TzErrorHandler_DumpHexDWords(char* buffer, LONG size, const void* address, LONG count);

// The crash report of an exception, sections chosen by mask (0: all). The characters written.
TZAPI(LONG)
TzErrorHandler_DumpExceptionRecord(char* buffer, LONG size, const char* threadName,
                                   const EXCEPTION_POINTERS* pointers, DWORD mask);

// Reports an unhandled exception: 0 to continue the search, 1 when handled.
TZAPI(LONG)
TzErrorHandler_ExceptionFilter(const EXCEPTION_POINTERS* pointers, const char* threadName);

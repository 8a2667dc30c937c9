// The error handler: result codes to user-facing messages, the details that go with the error
// being reported, Windows and common-dialog error numbers to result codes, and crash reports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/exception_record.h"
#include "tz/export.h"
#include "tz/system_string.h"
#include "tz/win_types.h"

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

// The Windows-style types and status codes of the library's binary contract, laid out as
// on 32-bit Windows: 4-byte pointers and long, little-endian, UTF-16 wide text.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(void*) == 4 && sizeof(long) == 4, "the contract is 32-bit x86");

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned long ULONG;
typedef unsigned int UINT;
typedef long HRESULT;
typedef DWORD LCID;
typedef WORD LANGID;
typedef char16_t WCHAR;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef unsigned long ULONG_PTR;
typedef long LONG_PTR;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

// Opaque handles: distinct types that only the library interprets.
#define TZ_DECLARE_HANDLE(name) \
  struct name##__;              \
  typedef name##__* name
typedef void* HANDLE;
TZ_DECLARE_HANDLE(HKEY);
// An instance handle is the address at which a loaded module's image begins (its ELF header),
// as on the original platform; a resource handle addresses an entry of its resource directory.
TZ_DECLARE_HANDLE(HINSTANCE);
TZ_DECLARE_HANDLE(HWND);
TZ_DECLARE_HANDLE(HRSRC);
TZ_DECLARE_HANDLE(HICON);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef void* HGLOBAL;
#undef TZ_DECLARE_HANDLE

static_assert(sizeof(BOOL) == 4 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(HRESULT) == 4 && sizeof(WCHAR) == 2);

// Status values. Failures are negative; the library's own codes use facility 4 from 0xE000.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001UL);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002UL);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003UL);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005UL);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFUL);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000EUL);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057UL);
constexpr HRESULT TZ_E_FILENOTOPENED = static_cast<HRESULT>(0x8004E007UL);
constexpr HRESULT TZ_E_NOTFOUND = static_cast<HRESULT>(0x8004E00AUL);
constexpr HRESULT TZ_E_NOTINITIALIZED = static_cast<HRESULT>(0x8004E01BUL);
constexpr HRESULT TZ_E_BUFFERTOOSMALL = static_cast<HRESULT>(0x8004E03CUL);

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

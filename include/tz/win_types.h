// The Windows-style types and status codes of the library's binary contract, laid out as
// on 32-bit Windows: 4-byte pointers and long, little-endian, UTF-16 wide text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tz/win_handles.h"

static_assert(sizeof(void*) == 4 && sizeof(long) == 4, "the contract is 32-bit x86");

typedef char16_t WCHAR;

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

static_assert(sizeof(BOOL) == 4 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(HRESULT) == 4 && sizeof(WCHAR) == 2);

// Status values. Failures are negative; the library's own codes use facility 4 from 0xE000.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001UL);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002UL);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003UL);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005UL);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005UL);
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

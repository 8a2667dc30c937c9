// Windows and common-dialog error numbers as the library's result codes.
#include "tz/error_handler.h"

namespace {

constexpr HRESULT code(unsigned long value) {
  return static_cast<HRESULT>(value);
}

}  // namespace

TZAPI(HRESULT) TzErrorHandler_TranslateWin32Error(DWORD error) {
  switch (error) {
    case 0:
      return S_OK;
    case 1:
      return E_INVALIDARG;
    case 2:
    case 3:
    case 126:
    case 127:
      return TZ_E_NOTFOUND;
    case 4:
      return code(0x8004E026);  // too many open files
    case 5:
      return code(0x80070005);
    case 6:
      return code(0x80070006);
    case 14:
    case 84:
      return E_OUTOFMEMORY;
    case 15:
      return code(0x800404B0);
    case 32:
      return code(0x8004E05A);  // open in another application
    case 39:
    case 112:
      return code(0x8004E002);  // disk full
    case 80:
      return code(0x8004E032);  // file exists
    case 110:
      return TZ_E_FILENOTOPENED;
    case 120:
      return E_NOTIMPL;
    case 123:
      return code(0x8004E00D);  // invalid file name
    case 170:
      return code(0x8004E005);  // busy
    case 183:
      return code(0x8004E170);  // already exists
    default:
      return E_FAIL;
  }
}

TZAPI(HRESULT) TzErrorHandler_TranslateCommDlgError(DWORD error) {
  switch (error) {
    case 0:
      return S_OK;
    case 1:
    case 3:
    case 4:
    case 11:
    case 0x3003:
    case 0x4001:
    case 0xFFFF:
      return E_INVALIDARG;
    case 2:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10:
    case 0x3001:
      return E_OUTOFMEMORY;
    case 6:
      return code(0x8004E00E);  // resource missing
    case 0x3002:
      return code(0x8004E00D);  // invalid file name
    default:
      return E_FAIL;
  }
}

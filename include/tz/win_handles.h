// The integer and handle types of the library's binary contract that are declared exactly as
// the system's own headers declare them, so that a Windows backend source can include both
// this and <windows.h>. The rest of the contract (wide characters, GUID, status values) is in
// win_types.h.
#pragma once

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
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef unsigned long ULONG_PTR;
typedef long LONG_PTR;

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

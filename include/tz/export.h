// How the library's exports are declared: plain names with C linkage and the standard
// (callee-cleans) convention, variadic ones with the caller-cleans convention, typed-linkage
// overloads with C++ names. Every export realigns the stack, since a foreign caller may
// arrive with only 4-byte alignment and the export may reach vector code.
#pragma once

#define TZ_VISIBLE __attribute__((visibility("default")))
#define TZ_STDCALL __attribute__((stdcall, force_align_arg_pointer))
#define TZ_CDECL __attribute__((cdecl, force_align_arg_pointer))

// Callbacks that the library calls (compare and match functions, host callbacks).
#define TZ_CALLBACK __attribute__((stdcall))

// A plain-named export: TZAPI(HRESULT) TzList_Destroy(tTZLIST* list);
#define TZAPI(type) extern "C" TZ_VISIBLE type TZ_STDCALL
// A variadic plain-named export.
#define TZAPIV(type) extern "C" TZ_VISIBLE type TZ_CDECL
// An export whose name carries its argument types (C++ linkage, global namespace).
#define TZAPI_TYPED(type) TZ_VISIBLE type TZ_STDCALL

// A member function of an exported class (the class is TZ_VISIBLE): C++ linkage and g++'s
// default convention (the object's address first; a variadic one leaves the arguments to the
// caller), realigning the stack like every other export.
#define TZ_MEMBER __attribute__((force_align_arg_pointer))

// A device entry point that the bridge engine calls (RWDEF…): C linkage and the default C
// calling convention, realigning the stack like every other export.
#define TZ_DEVICE_EXPORT(type) extern "C" TZ_VISIBLE type TZ_CDECL

// Language resources: each module that uses the library owns a language context through which
// it finds its resources and loads its strings in the user's language. A context looks first in
// the module's language module (a resource-only library beside it, same name, extension "LNG",
// read as data and never run) when its locale is not English, and falls back to the module's
// own resources. Loaded strings are cached per context at fixed addresses until the language
// changes or the context closes.
//
// Locale identifiers have the original platform's layout: primary language in the low 10 bits,
// sub-language in the 6 above. Resource types and names are numbers below 0x10000 passed in
// the pointer itself (the original platform's MAKEINTRESOURCE), "#123" for the number 123, or
// names compared without regard to case. No call here is for the audio path.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

struct TzLangContext;
typedef TzLangContext* HTZLANG;

// Opens a context for module in *lang (null on failure). Locale 0 means none yet. The scratch
// ring holds ringCharacters characters: 0 (or less) means 8192, up to 2048 means 2048.
// S_OK, E_OUTOFMEMORY, or the string cache's creation status.
TZAPI(HRESULT) TzLang_Open(HTZLANG* lang, HINSTANCE module, LCID locale, LONG ringCharacters);
// Closes a context (null is fine); S_OK. Strings and buffers it handed out die with it.
TZAPI(HRESULT) TzLang_Close(HTZLANG lang);

// The instance resources load from: the language module when the context uses it, else the
// module.
TZAPI(HINSTANCE) TzLang_InstFromLang(HTZLANG lang);
// Makes instance the language module of this context and of the module's own context: TRUE;
// FALSE when either context is missing; TRUE and no change for a null instance. The caller
// keeps the instance loaded while the contexts use it.
TZAPI(BOOL) TzLang_ChangeLangInst(HTZLANG lang, HINSTANCE instance);
// The context's locale; 0 for a null context.
TZAPI(LCID) TzLang_GetLCID(HTZLANG lang);
// TRUE when the locale's primary language is English (9).
TZAPI(BOOL) TzLang_IsLCIDEnglish(LCID locale);
// TRUE when the context's language is written right to left (Arabic, Hebrew, Urdu, Persian).
TZAPI(BOOL) TzLang_UseRTL(HTZLANG lang);
// The locale with its sub-language normalised: Chinese to traditional (0x0404) or simplified
// (0x0804), Portuguese unchanged, every other language to its main country (sub-language 1).
TZAPI(LCID) TzLang_GetConditionedLCID(LCID locale);
// Switches this context and the module's own context to locale (0 means 1033): a change
// flushes their string caches, the language module is used when the language is not English,
// and the process's default window layout follows the language's direction. TRUE; FALSE when
// either context is missing. The third argument is not used.
TZAPI(BOOL) TzLang_UpdateKernelLCID(HTZLANG lang, LCID locale, DWORD unused);
// The three-letter language name of the context's conditioned locale ("ENU", "DEU", "JPN") in
// buffer (length characters with the terminator): TRUE; FALSE with an empty string when the
// name is unknown or does not fit, or the context is null.
TZAPI(BOOL) TzLang_GetLangAbbrev(HTZLANG lang, WCHAR* buffer, LONG length);

// A resource: from the language module in the context's language when it is used, else (or
// when not found there) from the module. Null when not found.
TZAPI(HRSRC) TzFindResource(HTZLANG lang, const WCHAR* name, const WCHAR* type);
// The first of count types under which name is found, every type in the language module first
// (when used), then every type in the module; *typeIndex (if given) receives the position of
// that type. Null when nothing is found or count < 1.
TZAPI(HRSRC)
TzFindResourceMulti(HTZLANG lang, const WCHAR* name, const WCHAR* const* types, LONG count,
                    LONG* typeIndex);
// The instance that holds a resource: the language module when used and it has the resource,
// else the module.
TZAPI(HINSTANCE) TzFindResInstance(HTZLANG lang, const WCHAR* name, const WCHAR* type);
// A found resource's data and size; null and 0 when it belongs to neither module.
TZAPI(HGLOBAL) TzLoadResource(HTZLANG lang, HRSRC resource);
TZAPI(DWORD) TzSizeofResource(HTZLANG lang, HRSRC resource);

// Copies string id into buffer (at most length - 1 characters, always terminated when length
// >= 1), without a leading "^*" marker. Returns the characters placed, 0 for none.
TZAPI(int) TzLoadString(HTZLANG lang, UINT id, WCHAR* buffer, int length);
// The cached text of string id (at most 1023 characters), valid until the context's language
// changes or it closes; an empty string when the id has no text.
TZAPI(const WCHAR*) TzGetString(HTZLANG lang, UINT id);
// Room for characters characters and a terminator in the context's scratch ring, valid until
// the ring wraps over it; null with no context or when the ring is smaller than that.
TZAPI(WCHAR*) TzGetTempStringBuffer(HTZLANG lang, int characters);

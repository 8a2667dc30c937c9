// The library's formatted print into wide-character buffers, with its named print tokens,
// and message composition with numbered inserts. Texts are UTF-16.
//
// Directives of TzPrintF and TzVPrintF:
//   "%" conversions as the ordinary formatter writes them: c C s S d i u o x X e E f g G with
//       flags "- + space # 0", width, precision and the sizes h l ll I32 I64 ("%s" is wide,
//       "%hs" 8-bit UTF-8). A conversion that is not well-formed is written as it stands and
//       takes no argument; "%n" is never honoured.
//   "$" before a conversion formats it for the user's locale: "$d" "$u" "$I64d" grouped,
//       "$.2f" with the locale decimal sign, "$.2z" an integer divided by 100.
//   "%." digits "z" an integer divided by ten to the digits, with that many decimals.
//   "$$" "%%" "$%" a "$" or "%"; "$:" "$*" "$," the locale time, decimal and list separators;
//   "$!:" "$!." "$!," the SMPTE separators; "$&:" "$&." the measure and beat separators;
//   "$(Name)" the print token Name (case does not matter), or the reference unchanged;
//   "$(1,234.5)" the number grouped for the locale.
#pragma once

#include <cstdarg>

#include "tz/export.h"
#include "tz/win_types.h"

// The most TzPrintF and TzVPrintF ever write, in characters with the terminator. The
// destination must hold the result; no length is passed.
constexpr int TZ_PRINTF_MAX = 32768;

// Characters written, terminator not counted; 0 for a null destination or format (a null
// format writes an empty text).
TZAPIV(int) TzPrintF(WCHAR* destination, const WCHAR* format, ...);
TZAPI(int) TzVPrintF(WCHAR* destination, const WCHAR* format, va_list args);

// Stores value under name, replacing a token of that name: 1 when stored, 0 when the item
// could not be allocated (the old token, if any, stays) or an argument is null. Values are
// stored unchanged: directives in them are not expanded where they are inserted.
TZAPI(BOOL) TzPrintF_AddToken(const WCHAR* name, const WCHAR* value);
// 1 when a token of that name was removed, 0 when there was none.
TZAPI(BOOL) TzPrintF_DeleteToken(const WCHAR* name);

// Inserts the arguments into format: "%1" to "%99" each insert an argument, as a wide string
// or by the conversion between "!" marks ("%2!d!"); "%0" ends the text, "%n" is CR LF, "%r"
// CR, "%t" a tab, "%%" a "%". Writes at most length - 1 characters and a terminator. Returns
// the characters written; 0 when the text did not fit (it is cut and terminated), or for a
// null buffer or a length below 1.
TZAPIV(int) TzComposeStr(WCHAR* buffer, int length, const WCHAR* format, ...);

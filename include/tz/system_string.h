// The system string type: the characters are preceded by their length in bytes (a 32-bit word)
// and followed by a terminator, and the string is addressed at its first character. Strings the
// library hands out in this type are freed by the receiver with SysFreeString.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

typedef WCHAR* BSTR;

// Frees a string of the system string type; null is ignored.
TZAPI(void) SysFreeString(BSTR text);
// Its length in characters (0 for null).
TZAPI(UINT) SysStringLen(BSTR text);

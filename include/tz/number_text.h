// Numbers to text and back in the user's locale (digit grouping, decimal and negative signs).
// The locale is read once per process, at the first call of any function here. Texts are
// UTF-16; nothing here reports an error, allocates or keeps a lock after that first read.
#pragma once

#include "tz/export.h"
#include "tz/win_types.h"

// Buffer sizes in characters, terminator included. Every writer terminates its text and
// returns the characters written without the terminator. The writers take no size: the
// caller's buffer must hold the size given for the writer.
enum : int {
  // TzLongToText and TzDWordToText without grouping.
  TZ_INT32_TEXT_MAX = 12,
  // TzDWordLongToText and TzLongLongToText without grouping.
  TZ_INT64_TEXT_MAX = 21,
  // Any integer writer with grouping, and TzDoubleToText with grouping: the formatter runs
  // with this limit, so longer locale separators cut the text rather than overrun.
  TZ_GROUPED_TEXT_MAX = 64,
  // TzDoubleToText without grouping: sign, up to 309 integer digits, "." and 9 decimals.
  TZ_DOUBLE_TEXT_MAX = 321,
  // TzFourCCToString.
  TZ_FOURCC_TEXT_MAX = 5,
};

// Integers to text: "0" for 0, else the decimal digits with a leading "-" for negatives (the
// most negative values included). With `group`, the digits go through TzFormatNumber.
TZAPI(int) TzLongToText(LONG value, WCHAR* buffer, BOOL group);
TZAPI(int) TzDWordToText(DWORD value, WCHAR* buffer, BOOL group);
TZAPI(int) TzDWordLongToText(DWORD low, DWORD high, WCHAR* buffer, BOOL group);
TZAPI(int) TzLongLongToText(LONGLONG value, WCHAR* buffer, BOOL group);

// A double rounded half away from zero to `decimals` (0..9; outside that range held to it)
// decimals, "." as decimal sign; "-" only when the rounded text is not zero. With `group`
// the text goes through TzFormatGroupDecimalNumber (locale grouping, decimal sign and
// leading-zero setting). Not-a-number writes as 0 and an infinity as the largest double.
TZAPI(int) TzDoubleToText(WCHAR* buffer, double value, int decimals, BOOL group);

// The four bytes of `code`, lowest first, each as itself when printable ASCII (32..126) and
// as "." otherwise. Returns `buffer`.
TZAPI(WCHAR*) TzFourCCToString(DWORD code, WCHAR* buffer);

// Locale formatting of the number in `source`. Leading characters that are not part of a
// number are copied unchanged (as are zeros not followed by "."), then an optional "-",
// digits, and "." with digits are formatted: rounded half up to the decimals, grouped, with
// the locale's separators and leading-zero setting and "-" as the sign (dropped when the
// rounded number is zero). What follows the number is copied unchanged. `limit` counts
// characters including the terminator: at most limit - 1 are written, then the terminator;
// a limit below 1 or a null buffer writes nothing. Returns the characters written.
TZAPI(int) TzFormatNumber(const WCHAR* source, WCHAR* buffer, int limit);
// As TzFormatNumber, keeping as many decimals as follow the first "." of `source`.
TZAPI(int) TzFormatDecimalNumber(const WCHAR* source, WCHAR* buffer, int limit);
// As TzFormatNumber with `decimals` decimals; -1 (any negative) counts them as
// TzFormatDecimalNumber does.
TZAPI(int) TzFormatGroupDecimalNumber(const WCHAR* source, WCHAR* buffer, int limit, int decimals);

// Token readers. Each skips blanks, then collects at most 63 characters of a number: the
// locale's thousands separator is skipped, its decimal separator taken as ".", a leading
// locale negative sign or "-" as "-". Where collection stopped goes to `*end` when `end`
// is not null. Text without a number reads as 0.
// Unsigned: the leading digits modulo 2^32 (2^64); 0 when the number is negative.
TZAPI(DWORD) TzTextToDWordToken(const WCHAR* text, const WCHAR** end);
TZAPI(ULONGLONG) TzTextToDWordLongToken(const WCHAR* text, const WCHAR** end);
// Signed: overflow gives the largest or smallest value of the type.
TZAPI(LONG) TzTextToLongToken(const WCHAR* text, const WCHAR** end);
TZAPI(LONGLONG) TzTextToLongLongToken(const WCHAR* text, const WCHAR** end);
// Hexadecimal digits of either case after an optional "0x" or "0X", modulo 2^32 (2^64).
TZAPI(DWORD) TzHexToDWordToken(const WCHAR* text, const WCHAR** end);
TZAPI(ULONGLONG) TzHexToDWordLongToken(const WCHAR* text, const WCHAR** end);
// With `locale` FALSE: an optional "-", then "," is skipped and "." and digits are taken.
TZAPI(double) TzTextToDoubleToken(const WCHAR* text, const WCHAR** end, BOOL locale);

// The readers with a default and a range: a result of 0 becomes `def` when reading stopped at
// a character other than the terminator or a blank; the value is then raised to `min` and
// lowered to `max` (so `max` wins when min > max), compared as the reader's type.
TZAPI(DWORD)
TzTextToDWordTokenEx(const WCHAR* text, DWORD def, DWORD min, DWORD max, const WCHAR** end);
TZAPI(ULONGLONG)
TzTextToDWordLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh, DWORD minLow,
                         DWORD minHigh, DWORD maxLow, DWORD maxHigh, const WCHAR** end);
TZAPI(LONG) TzTextToLongTokenEx(const WCHAR* text, LONG def, LONG min, LONG max, const WCHAR** end);
TZAPI(LONGLONG)
TzTextToLongLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh, DWORD minLow, DWORD minHigh,
                        DWORD maxLow, DWORD maxHigh, const WCHAR** end);
TZAPI(DWORD)
TzHexToDWordTokenEx(const WCHAR* text, DWORD def, DWORD min, DWORD max, const WCHAR** end);
TZAPI(ULONGLONG)
TzHexToDWordLongTokenEx(const WCHAR* text, DWORD defLow, DWORD defHigh, DWORD minLow, DWORD minHigh,
                        DWORD maxLow, DWORD maxHigh, const WCHAR** end);
TZAPI(double)
TzTextToDoubleTokenEx(const WCHAR* text, double def, double min, double max, const WCHAR** end,
                      BOOL locale);

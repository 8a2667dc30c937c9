// The names crash reports give exception codes.
#include "support/core/crash_report.h"

namespace tz::core {
namespace {

struct ExceptionName {
  DWORD code;
  const char* name;
};

constexpr ExceptionName kNames[] = {
    {0x80000001, "guard page violation"},
    {0x80000002, "datatype misalignment"},
    {0x80000003, "breakpoint"},
    {0x80000004, "single step"},
    {0xC0000005, "access violation"},
    {0xC0000006, "in page error"},
    {0xC0000008, "invalid handle"},
    {0xC0000017, "no memory"},
    {0xC000001D, "illegal instruction"},
    {0xC0000025, "noncontinuable exception"},
    {0xC0000026, "invalid disposition"},
    {0xC000008C, "array bounds exceeded"},
    {0xC000008D, "float denormal operand"},
    {0xC000008E, "float divide by zero"},
    {0xC000008F, "float inexact result"},
    {0xC0000090, "float invalid operation"},
    {0xC0000091, "float overflow"},
    {0xC0000092, "float stack check"},
    {0xC0000093, "float underflow"},
    {0xC0000094, "integer divide by zero"},
    {0xC0000095, "integer overflow"},
    {0xC0000096, "privileged instruction"},
    {0xC00000FD, "stack overflow"},
    {0xC000013A, "control+c exit"},
};

}  // namespace

const char* exceptionName(DWORD code) {
  for (const ExceptionName& entry : kNames)
    if (entry.code == code) return entry.name;
  return "Unknown Type";
}

}  // namespace tz::core

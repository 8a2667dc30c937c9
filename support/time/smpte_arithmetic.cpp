// Time-code arithmetic: sums and differences through frame counts, comparison, and stepping
// one label at a time.
#include <cstdint>

#include "support/time/smpte_formats.h"

namespace tz::time {
namespace {

// A difference taken as signed 32-bit, wrapped into one day; a result equal to the day is
// folded to 0 by the conversion.
uint32_t wrapDifference(uint32_t difference, uint32_t day) {
  if (difference < 0x80000000u) return difference % day;
  // The magnitude in unsigned arithmetic: negating the most negative value would overflow.
  return day - (0u - difference) % day;
}

int compareFields(const _smpteval& a, const _smpteval& b) {
  const DWORD _smpteval::*const fields[] = {&_smpteval::hours, &_smpteval::minutes,
                                            &_smpteval::seconds, &_smpteval::frames};
  for (const auto field : fields) {
    if (a.*field != b.*field) return a.*field > b.*field ? 1 : -1;
  }
  return 0;
}

// One up; a field at or past `last` restarts at 0 and asks the next field to carry.
bool carry(DWORD& field, DWORD last) {
  if (field < last) {
    ++field;
    return false;
  }
  field = 0;
  return true;
}

// One down; a field at 0 becomes `last` and asks the next field to borrow.
bool borrow(DWORD& field, DWORD last) {
  if (field > 0) {
    --field;
    return false;
  }
  field = last;
  return true;
}

void stepForward(_smpteval& value) {
  const SmpteFormat& format = smpteFormat(value.format);
  if (!carry(value.frames, format.lastLabel()) || !carry(value.seconds, 59)) return;
  if (carry(value.minutes, 59)) carry(value.hours, 23);
  if (isDroppedLabel(format, value)) value.frames = 2;
}

void stepBack(_smpteval& value) {
  const SmpteFormat& format = smpteFormat(value.format);
  if (borrow(value.frames, format.lastLabel()) && borrow(value.seconds, 59) &&
      borrow(value.minutes, 59)) {
    borrow(value.hours, 23);
  }
  if (isDroppedLabel(format, value)) {  // on to the last label of the minute before
    value.frames = format.lastLabel();
    value.seconds = 59;
    --value.minutes;  // not a multiple of 10, so at least 1
  }
}

}  // namespace
}  // namespace tz::time

namespace tt = tz::time;

void TZ_STDCALL TZSMPTE_AddSMPTE(_smpteval* a, const _smpteval* b) {
  if (a == nullptr || b == nullptr) return;
  tt::setSmpteFrameCount(*a, tt::smpteFrameCount(*a) + tt::smpteFrameCount(*b));
}

void TZ_STDCALL TZSMPTE_SubtractSMPTE(_smpteval* a, const _smpteval* b) {
  if (a == nullptr || b == nullptr) return;
  const uint32_t difference = tt::smpteFrameCount(*a) - tt::smpteFrameCount(*b);
  tt::setSmpteFrameCount(*a,
                         tt::wrapDifference(difference, tt::smpteFormat(a->format).framesPerDay));
}

int TZ_STDCALL TZSMPTE_SMPTECompare(const _smpteval* a, const _smpteval* b) {
  return a != nullptr && b != nullptr ? tt::compareFields(*a, *b) : 0;
}

void TZ_STDCALL TZSMPTE_IncrementByFrame(_smpteval* value, DWORD) {
  if (value != nullptr) tt::stepForward(*value);
}

void TZ_STDCALL TZSMPTE_DeccrementByFrame(_smpteval* value, DWORD) {
  if (value != nullptr) tt::stepBack(*value);
}

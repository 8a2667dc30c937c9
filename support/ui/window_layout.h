// The process's default window layout: right to left for the languages written that way. The
// language switch sets it; the user-interface helpers read it when they build windows.
#pragma once

namespace tz::ui {

void setDefaultLayoutRightToLeft(bool rightToLeft);
bool defaultLayoutIsRightToLeft();

}  // namespace tz::ui

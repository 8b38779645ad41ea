// The volume keys' arithmetic: one sixteenth of the master volume control's range a press,
// and the level as a percentage for the display. Pure functions of the control's bounds.
#pragma once

#include "platform/win32.h"

namespace tavos {

constexpr DWORD kVolumeSteps = 16;

// `current` moved one step up or down, clamped at `minimum` and `maximum`. A step is at
// least one unit; a value outside the bounds (a driver's odd report) is first clamped too.
DWORD VolumeAfterStep(DWORD current, DWORD minimum, DWORD maximum, bool up);
// `value` as a percentage of the range, rounded to the nearest: 0 at the minimum, 100 at the
// maximum (and 100 for a range of no width).
int VolumePercent(DWORD value, DWORD minimum, DWORD maximum);

}  // namespace tavos

// Volume steps in 32-bit arithmetic and the percentage in the FPU's: no 64-bit integer
// division, whose helpers in the compiler's library are built for newer processors.
#include "mixer/volume_step.h"

namespace tavos {

DWORD VolumeAfterStep(DWORD current, DWORD minimum, DWORD maximum, bool up) {
  if (maximum < minimum) return current;
  if (current < minimum) current = minimum;
  if (current > maximum) current = maximum;
  const DWORD range = maximum - minimum;
  DWORD step = range / kVolumeSteps + (range % kVolumeSteps != 0 ? 1 : 0);
  if (step == 0) step = 1;
  if (up) return maximum - current <= step ? maximum : current + step;
  return current - minimum <= step ? minimum : current - step;
}

int VolumePercent(DWORD value, DWORD minimum, DWORD maximum) {
  if (maximum <= minimum || value >= maximum) return 100;
  if (value <= minimum) return 0;
  const DWORD range = maximum - minimum;
  const DWORD offset = value - minimum;
  const double share = double(offset) / double(range);
  return int(share * 100.0 + 0.5);
}

}  // namespace tavos

// One press of brightness down or up, from the brightness dialog's buttons or a brightness
// key: the level stepped from the stored one, written to BRIGHTNESS/LEVEL and sent to the
// embedded controller as command 0xCA. Both callers come here, so they cannot disagree.
#pragma once

#include "platform/win32.h"

namespace tavos {

constexpr int kMaxBrightnessLevel = 7;

// `stored` is BRIGHTNESS/LEVEL as the caller holds it; the new level (see LevelAfterDown and
// LevelAfterUp) is written to `settingsPath` and sent with the port instructions of the
// Windows 95 family (`directPort`), else through portio's handle `driver`. Written and sent
// also at a bound: a press at 0 sends 0 again. Returns the new level.
int StoreAndSendBrightness(bool up, const char* stored, const char* settingsPath, bool directPort,
                           HANDLE driver);

// The direct form of the send, one attempt with g_byBrightnessCommand and
// g_byBrightnessData: a busy controller gets nothing, silently, and is not asked again.
void DrainEcDirect();
void SendBrightnessDirect();

}  // namespace tavos

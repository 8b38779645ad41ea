// CMasterVolume: the speaker line's mute switch, turned on and off by the user key.
//
// Today it only keeps the state it was asked for; the system mixer is reached once the
// mixer module lands.
#pragma once

#include "platform/win32.h"

class CMasterVolume {
 public:
  void SoundOn() { m_bMuted = FALSE; }
  void SoundOff() { m_bMuted = TRUE; }
  BOOL IsMuted() const { return m_bMuted; }

 private:
  BOOL m_bMuted = FALSE;
};

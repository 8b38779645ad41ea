// What the user key does, from the mute settings: toggle the mute state (and nothing else),
// or turn the sound on first and go on to the user's program.
#pragma once

namespace tavos {

enum class SoundChange { None, On, Off };

struct UserKeyPlan {
  SoundChange sound = SoundChange::None;
  const char* storeMute = nullptr;  // new ENABLEMUTE/MUTE value, or null to leave it
  bool endsTick = false;            // the mute toggle is all the key does
};

// `check` and `mute` are ENABLEMUTE/CHECK and ENABLEMUTE/MUTE, compared exactly.
UserKeyPlan PlanUserKey(const char* check, const char* mute);

}  // namespace tavos

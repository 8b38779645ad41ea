// The user key's mute routing.
#include "app/user_key.h"

#include <cstring>

namespace tavos {

UserKeyPlan PlanUserKey(const char* check, const char* mute) {
  UserKeyPlan plan;
  if (std::strcmp(check, "ENABLE") == 0) {
    // MUTE records what the key last did; it is not read back from the mixer.
    bool soundIsOn = std::strcmp(mute, "ENABLE") == 0;
    plan.sound = soundIsOn ? SoundChange::Off : SoundChange::On;
    plan.storeMute = soundIsOn ? "DISABLE" : "ENABLE";
    plan.endsTick = true;
  } else if (std::strcmp(check, "DISABLE") == 0) {
    plan.sound = SoundChange::On;
    plan.storeMute = "ENABLE";
  }
  return plan;
}

}  // namespace tavos

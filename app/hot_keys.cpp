// Decoding the hot-key status bytes into actions.
#include "app/hot_keys.h"

namespace tavos {

BYTE StatusFromRead(bool succeeded, BYTE value) { return succeeded && value != 0xFF ? value : 0; }

HotKeyActions ActionsForDriverPath(BYTE keyStatus) {
  HotKeyActions actions;
  actions.browser = keyStatus & kKeyInternet;
  actions.mail = keyStatus & kKeyMail;
  actions.search = keyStatus & kKeySearch;
  actions.user = keyStatus & kKeyUser;
  return actions;
}

HotKeyActions ActionsForDirectPath(BYTE statusA, BYTE statusB, BYTE statusC) {
  HotKeyActions actions;
  actions.browser = (statusB | statusA | statusC) & kKeyInternet;
  actions.mail = (statusB | statusA | statusC) & kKeyMail;
  actions.search = statusA & kKeySearch;
  actions.user = (statusB | statusA) & kKeyUser;
  return actions;
}

}  // namespace tavos

// The hot-key latch's bits and which actions a tick's status bytes call for.
#pragma once

#include "platform/win32.h"

namespace tavos {

constexpr BYTE kKeyInternet = 0x01;
constexpr BYTE kKeyMail = 0x02;
constexpr BYTE kKeyUser = 0x04;
constexpr BYTE kKeySearch = 0x08;
constexpr BYTE kKeyVideoRecorder = 0x10;
constexpr BYTE kKeyMp3 = 0x20;

struct HotKeyActions {
  bool browser = false;
  bool mail = false;
  bool search = false;
  bool user = false;
};

// A latch read: a failed read or 0xFF (an absent or floating port) means no key.
BYTE StatusFromRead(bool succeeded, BYTE value);

HotKeyActions ActionsForDriverPath(BYTE keyStatus);
// The direct path spreads the latch over three bytes by model group; each action reads
// only some of them.
HotKeyActions ActionsForDirectPath(BYTE statusA, BYTE statusB, BYTE statusC);

}  // namespace tavos

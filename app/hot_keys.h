// The hot-key latch's bits, and the keys Tavos dispatches: one table whose rows say, for each
// key, its latch bit, which status bytes the direct path reads for it, its name and what it
// does. Adding a key is one row here; the poll cycle and tavos-sim's `press` follow it.
#pragma once

#include <cstddef>

#include "platform/win32.h"

class CMainFrame;

namespace tavos {

constexpr BYTE kKeyInternet = 0x01;
constexpr BYTE kKeyMail = 0x02;
constexpr BYTE kKeyUser = 0x04;
constexpr BYTE kKeySearch = 0x08;
constexpr BYTE kKeyVideoRecorder = 0x10;
constexpr BYTE kKeyMp3 = 0x20;

struct KeyPress;

// Something a key does. The built-in actions are rows like any other; those with words can
// also be chosen for a key in the settings file.
struct ActionRow {
  // Performs the action for `press`; false when it ends the tick early (the search key with
  // F held, the mute toggle, EXIT chosen in a dialog it opened).
  bool (CMainFrame::*perform)(const KeyPress& press);
};

// The direct path's status bytes, by model group (a key's row names those it is read from).
constexpr BYTE kFromGroupA = 0x01;
constexpr BYTE kFromGroupB = 0x02;
constexpr BYTE kFromGroupC = 0x04;

struct KeyRow {
  const char* name;  // upper case; lower case it is tavos-sim's `press` name
  BYTE bit;          // in the hot-key latch (port 0x040E)
  BYTE directGroups;
  const ActionRow* builtIn;
};

// The dispatch keys in the order a tick runs them.
extern const KeyRow kKeys[];
extern const size_t kKeyCount;

// One press being dispatched: the key and the action it takes.
struct KeyPress {
  const KeyRow* key;
  const ActionRow* action;
};

// A latch read: a failed read or 0xFF (an absent or floating port) means no key.
BYTE StatusFromRead(bool succeeded, BYTE value);

// Which keys one tick's status bytes call for: bit i stands for kKeys[i]. The driver path
// reads `keyStatus` alone; the direct path reads, for each key, the group bytes its row names.
unsigned KeysForDriverPath(BYTE keyStatus);
unsigned KeysForDirectPath(BYTE statusA, BYTE statusB, BYTE statusC);

}  // namespace tavos

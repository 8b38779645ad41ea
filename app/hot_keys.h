// The hot-key latch's bits, and the two tables of the dispatch: the keys, whose rows say for
// each key its latch bit, which status bytes the direct path reads for it, its name (in the
// settings file's [KEYS] section) and its built-in action; and the actions, whose rows say how
// [KEYS] names each and what follows the name. The built-in actions are rows of the same
// table. Adding a key or an action is one row; the poll cycle, the [KEYS] parser and
// tavos-sim's `press` follow the tables.
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

// What follows an action's words in a [KEYS] value.
enum class ActionArgument : BYTE {
  kNone,
  kProgram,    // "PROGRAM" ARGUMENTS: a name (quoted when it holds blanks) and the rest
  kDocument,   // "DOCUMENT OR ADDRESS" (or the rest unquoted)
  kKeyString,  // the rest, as the key-string language reads it
};

// Something a key does.
struct ActionRow {
  // How [KEYS] names it: lower-case words, one blank apart (any case and blanks are read).
  // Null for the built-in actions, which a key reaches by its row, "default" or no value.
  const char* words;
  ActionArgument argument;
  // Performs the action for `press`; false when it ends the tick early (the search key with
  // F held, the mute toggle, EXIT chosen in a dialog it opened).
  bool (CMainFrame::*perform)(const KeyPress& press);
};

// Every action, built-in ones first.
extern const ActionRow kActions[];
extern const size_t kActionCount;

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

// The longest [KEYS] value used: the read buffer holds one character more, so that a longer
// value is refused as too long instead of being cut and run.
constexpr size_t kMaxKeyValue = 510;
constexpr size_t kKeyValueBuffer = kMaxKeyValue + 2;
// The longest program, document or address name (Windows' MAX_PATH less the terminator).
constexpr size_t kMaxKeyTarget = MAX_PATH - 1;

// One press being dispatched: the key, the action it takes and that action's argument.
struct KeyPress {
  const KeyRow* key;
  const ActionRow* action;
  const char* value;                 // the key's [KEYS] value as read; "" for no value
  char target[kMaxKeyValue + 1];     // the program, the document or address, the key string
  char arguments[kMaxKeyValue + 1];  // the program's arguments
};

// Reads `value`, the [KEYS] value of `key`, into `press` (its key, action and argument).
// Absent, empty or "default": the key's built-in action. False when Tavos cannot use the
// value, with one sentence in `why` saying what is wrong (fixed English texts; a word quoted
// from the value is cut short). Values are bounded: more than kMaxKeyValue characters, or a
// control character other than a tab (read as a blank), are refused.
bool ParseKeyValue(const char* value, const KeyRow& key, KeyPress* press, char* why,
                   size_t whySize);

// A latch read: a failed read or 0xFF (an absent or floating port) means no key.
BYTE StatusFromRead(bool succeeded, BYTE value);

// Which keys one tick's status bytes call for: bit i stands for kKeys[i]. The driver path
// reads `keyStatus` alone; the direct path reads, for each key, the group bytes its row names.
unsigned KeysForDriverPath(BYTE keyStatus);
unsigned KeysForDirectPath(BYTE statusA, BYTE statusB, BYTE statusC);

}  // namespace tavos

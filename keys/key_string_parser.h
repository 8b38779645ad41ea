// Key strings ("{ENTER}", "+(abc)", "{LEFT 3}") parsed into the process's key queue, which
// the playback hook then replays. Parsing completes before any playback, and a string with
// an error is never played. User-interface thread only.
#pragma once

#include "platform/win32.h"

// Queue entries: a virtual-key code (pressed, then released), a modifier toggle (VK_SHIFT,
// VK_CONTROL, VK_MENU flip that modifier), or kQueueSync.
constexpr int kKeyQueueSize = 2048;
constexpr SHORT kQueueSync = -1;

extern PROCESS_WIDE SHORT g_keyQueue[kKeyQueueSize];
extern PROCESS_WIDE int g_nQueued;  // entries filled
extern PROCESS_WIDE int g_nPlayed;  // the playback's read position
extern PROCESS_WIDE const char* g_pszParse;  // the parse cursor, into the caller's string

// The key-name table, in lookup order, ended by a code of 0.
struct KeyName {
  SHORT code;
  const char* name;
};
extern const KeyName g_keyNames[];

// Every operation of key-string handling returns one of these.
enum KeyStringError {
  kKeysOk = 0,
  kKeysMissingCloseBrace = 1,
  kKeysInvalidKey = 2,
  kKeysMissingCloseParenthesis = 3,
  kKeysInvalidCount = 4,
  kKeysTooLong = 5,
  kKeysCannotInstallHook = 6,
};
constexpr int kKeyStringErrorCount = 7;
extern const char* const g_keyStringErrors[kKeyStringErrorCount];

// Rebuilds the queue from `pszKeys`; the first error ends the parse and leaves what was
// queued before it. The empty string queues nothing and is no error.
int ParseKeyString(const char* pszKeys);
// Adds `pszKeys` behind the entries still to be played, which keep their order (the played
// ones make room). On an error nothing of it stays queued.
int AppendKeyString(const char* pszKeys);
// Consumes one element at the cursor.
int ParseKeyElement();
// A table name (any case), else the key of a one-character name with its shift state, else 0.
SHORT LookupKeyName(const char* pszName);

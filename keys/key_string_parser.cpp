// The key-string language: modifier prefixes, braced key names with repeat counts, groups in
// parentheses, and plain characters typed through the keyboard layout.
#include "keys/key_string_parser.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

PROCESS_WIDE SHORT g_keyQueue[kKeyQueueSize];
PROCESS_WIDE int g_nQueued;
PROCESS_WIDE int g_nPlayed;
PROCESS_WIDE const char* g_pszParse;

const KeyName g_keyNames[] = {
    {kQueueSync, "QUEUESYNC"}, {0x14, "CAPSLOCK"}, {0x90, "NUMLOCK"}, {0x91, "SCROLLOCK"},
    {0x1B, "ESCAPE"},   {0x1B, "ESC"},       {0x0D, "ENTER"},    {0x2F, "HELP"},
    {0x2C, "PRTSC"},    {0x09, "TAB"},       {0x11, "BREAK"},    {0x0C, "CLEAR"},
    {0x08, "BACKSPACE"}, {0x08, "BS"},       {0x08, "BKSP"},     {0x2E, "DELETE"},
    {0x2E, "DEL"},      {0x2D, "INSERT"},    {0x25, "LEFT"},     {0x27, "RIGHT"},
    {0x26, "UP"},       {0x28, "DOWN"},      {0x21, "PGUP"},     {0x22, "PGDN"},
    {0x24, "HOME"},     {0x23, "END"},       {0x70, "F1"},       {0x71, "F2"},
    {0x72, "F3"},       {0x73, "F4"},        {0x74, "F5"},       {0x75, "F6"},
    {0x76, "F7"},       {0x77, "F8"},        {0x78, "F9"},       {0x79, "F10"},
    {0x7A, "F11"},      {0x7B, "F12"},       {0x7C, "F13"},      {0x7D, "F14"},
    {0x7E, "F15"},      {0x7F, "F16"},       {0, nullptr},
};

const char* const g_keyStringErrors[kKeyStringErrorCount] = {
    "No error",      "Missing close brace", "Invalid key",          "Missing close parenthesis",
    "Invalid count", "String too long",     "Can't install hook",
};

namespace {

constexpr SHORT kShiftToggle = VK_SHIFT;
constexpr SHORT kShiftState = 0x0100;  // VkKeyScanA's Shift bit
constexpr size_t kNameCapacity = 16;   // 15 characters and a NUL
// Groups nest without queueing anything, so depth needs a bound of its own; modifiers
// queue an entry per level and stop at the queue's end anyway.
constexpr int kMaxNesting = kKeyQueueSize;

PROCESS_WIDE int g_nesting;

bool Append(SHORT entry) {
  if (g_nQueued >= kKeyQueueSize) return false;
  g_keyQueue[g_nQueued++] = entry;
  return true;
}

// The shift state from the layout's high byte wraps the key; Ctrl and Alt are dropped.
int EmitKey(SHORT key, long count) {
  bool shifted = (key & kShiftState) != 0;
  if (shifted && !Append(kShiftToggle)) return kKeysTooLong;
  for (long i = 0; i < count; ++i)
    if (!Append(SHORT(key & 0xFF))) return kKeysTooLong;
  if (shifted && !Append(kShiftToggle)) return kKeysTooLong;
  return kKeysOk;
}

// A character the layout cannot produce (VkKeyScanA's -1) is no key.
SHORT CharacterKey(char c) {
  SHORT key = VkKeyScanA(c);
  return key == -1 ? 0 : key;
}

bool IsLeadByte(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

// The first space or "}" from `p`, never a double-byte character's trail byte; null if none.
const char* FindNameEnd(const char* p) {
  while (*p != '\0') {
    if (*p == ' ' || *p == '}') return p;
    p += IsLeadByte(*p) && p[1] != '\0' ? 2 : 1;
  }
  return nullptr;
}

const char* FindCloseBrace(const char* p) {
  while (*p != '\0') {
    if (*p == '}') return p;
    p += IsLeadByte(*p) && p[1] != '\0' ? 2 : 1;
  }
  return nullptr;
}

// The text after the opening brace at the cursor.
int ParseBracedKey() {
  SHORT key = 0;
  if (*g_pszParse == '}') {
    key = CharacterKey('}');
    if (key == 0) return kKeysInvalidKey;
    ++g_pszParse;
  }
  const char* nameEnd = FindNameEnd(g_pszParse);
  if (nameEnd == nullptr) return kKeysMissingCloseBrace;
  if (key == 0) {
    size_t length = size_t(nameEnd - g_pszParse);
    // No table name is longer than 9 characters: a longer one is no key.
    if (length >= kNameCapacity) return kKeysInvalidKey;
    char name[kNameCapacity];
    std::memcpy(name, g_pszParse, length);
    name[length] = '\0';
    key = LookupKeyName(name);
    if (key == 0) return kKeysInvalidKey;
  }
  long count = 1;
  if (*nameEnd == ' ') {
    const char* digits = nameEnd + 1;
    char* end = nullptr;
    count = std::strtol(digits, &end, 10);
    // A negative count is as wrong as none; a huge one runs into the queue's end.
    if (end == digits || count <= 0) return kKeysInvalidCount;
    if (count > kKeyQueueSize) count = kKeyQueueSize + 1;
  }
  const char* close = FindCloseBrace(nameEnd);
  if (close == nullptr) return kKeysMissingCloseBrace;
  g_pszParse = close + 1;
  if (key == kQueueSync) return Append(kQueueSync) ? kKeysOk : kKeysTooLong;
  return EmitKey(key, count);
}

int ParseModified(SHORT modifier) {
  if (!Append(modifier)) return kKeysTooLong;
  int result = ParseKeyElement();
  if (result != kKeysOk) return result;
  return Append(modifier) ? kKeysOk : kKeysTooLong;
}

int ParseGroup() {
  int result = kKeysOk;
  while (*g_pszParse != '\0' && *g_pszParse != ')') {
    result = ParseKeyElement();
    if (result != kKeysOk) break;
  }
  if (*g_pszParse == '\0') return kKeysMissingCloseParenthesis;
  ++g_pszParse;
  return result;
}

int ParseElementAtCursor() {
  char c = *g_pszParse++;
  switch (c) {
    case '\0':
      --g_pszParse;
      return kKeysOk;
    case '+': return ParseModified(VK_SHIFT);
    case '^': return ParseModified(VK_CONTROL);
    case '%': return ParseModified(VK_MENU);
    case '(': return ParseGroup();
    case '~': return Append(VK_RETURN) ? kKeysOk : kKeysTooLong;
    case '{': return ParseBracedKey();
    default: {
      SHORT key = CharacterKey(c);
      return key == 0 ? kKeysInvalidKey : EmitKey(key, 1);
    }
  }
}

// ASCII letters match in any case; every other byte, and both bytes of a double-byte
// character, must be equal.
bool SameName(const char* a, const char* b) {
  while (*a != '\0' && *b != '\0') {
    if (IsLeadByte(*a) && a[1] != '\0') {
      if (a[0] != b[0] || a[1] != b[1]) return false;
      a += 2;
      b += 2;
      continue;
    }
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b)))
      return false;
    ++a;
    ++b;
  }
  return *a == *b;
}

}  // namespace

namespace {

int ParseRest(const char* pszKeys) {
  g_nesting = 0;
  g_pszParse = pszKeys != nullptr ? pszKeys : "";
  while (*g_pszParse != '\0') {
    int result = ParseKeyElement();
    if (result != kKeysOk) return result;
  }
  return kKeysOk;
}

}  // namespace

int ParseKeyString(const char* pszKeys) {
  g_nQueued = 0;
  g_nPlayed = 0;
  return ParseRest(pszKeys);
}

int AppendKeyString(const char* pszKeys) {
  // What was played makes room: the entries still to come move to the front.
  if (g_nPlayed > 0) {
    std::memmove(g_keyQueue, g_keyQueue + g_nPlayed, sizeof g_keyQueue[0] * size_t(g_nQueued - g_nPlayed));
    g_nQueued -= g_nPlayed;
    g_nPlayed = 0;
  }
  const int before = g_nQueued;
  int result = ParseRest(pszKeys);
  if (result != kKeysOk) g_nQueued = before;
  return result;
}

int ParseKeyElement() {
  if (g_nesting >= kMaxNesting) return kKeysTooLong;
  ++g_nesting;
  int result = ParseElementAtCursor();
  --g_nesting;
  return result;
}

SHORT LookupKeyName(const char* pszName) {
  for (const KeyName* entry = g_keyNames; entry->code != 0; ++entry)
    if (SameName(entry->name, pszName)) return entry->code;
  if (pszName[0] != '\0' && pszName[1] == '\0') return CharacterKey(pszName[0]);
  return 0;
}

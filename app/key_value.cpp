// Reading a [KEYS] value: an action's words from the action table, then its argument. What
// cannot be used is refused with a sentence that says why; nothing here runs anything.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/hot_keys.h"

namespace tavos {

namespace {

// A word quoted in a message is cut to this many characters.
constexpr size_t kMaxQuotedWord = 24;
// Room for every action's words, and "default", in a message's list.
constexpr size_t kMaxListed = 32;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

size_t WordLength(const char* p) {
  size_t length = 0;
  while (p[length] != '\0' && !IsBlank(p[length])) ++length;
  return length;
}

// `length` characters of `text` without the blanks at their end, into `out`, which has room
// for kMaxKeyValue characters (a value is never longer).
void CopyTrimmed(const char* text, size_t length, char* out) {
  while (length > 0 && IsBlank(text[length - 1])) --length;
  std::memcpy(out, text, length);
  out[length] = '\0';
}

// Whether the first `length` characters at `p` are `word` (lower case) in any case.
bool SameWord(const char* p, size_t length, const char* word, size_t wordLength) {
  if (length != wordLength) return false;
  for (size_t i = 0; i < length; ++i)
    if (Lower(p[i]) != word[i]) return false;
  return true;
}

// An action's words at `p`, in any case and with any blanks between them, followed by the
// end of the value or a blank. The character after them, or null.
const char* MatchWords(const char* p, const char* words) {
  while (*words != '\0') {
    const size_t length = WordLength(p);
    const size_t wordLength = std::strcspn(words, " ");
    if (!SameWord(p, length, words, wordLength)) return nullptr;
    p = SkipBlanks(p + length);
    words += wordLength;
    if (*words == ' ') ++words;
  }
  return p;
}

// What a name argument is called in messages.
const char* NameOf(ActionArgument argument) {
  return argument == ActionArgument::kProgram ? "the program" : "the document or address";
}

class Reader {
 public:
  Reader(const KeyRow& key, KeyPress* press, char* why, size_t whySize)
      : press_(press), why_(why), whySize_(whySize) {
    press_->key = &key;
    press_->action = key.builtIn;
    press_->value = "";
    press_->target[0] = '\0';
    press_->arguments[0] = '\0';
    if (whySize_ > 0) why_[0] = '\0';
  }

  bool Read(const char* value) {
    press_->value = value;
    const size_t length = std::strlen(value);
    if (length > kMaxKeyValue)
      return Fail("The value is longer than %u characters.", unsigned(kMaxKeyValue));
    for (size_t i = 0; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(value[i]);
      if ((c < 0x20 && c != '\t') || c == 0x7F)
        return Fail("The value holds the control character 0x%02X.", unsigned(c));
    }
    const char* p = SkipBlanks(value);
    if (*p == '\0') return true;
    if (const char* rest = MatchWords(p, "default"))
      return *rest == '\0' || Fail("Nothing may follow \"default\".");
    for (size_t i = 0; i < kActionCount; ++i) {
      const ActionRow& row = kActions[i];
      if (row.words == nullptr) continue;
      if (const char* rest = MatchWords(p, row.words)) {
        press_->action = &row;
        return ReadArgument(row, rest);
      }
    }
    return UnknownAction(p);
  }

 private:
  bool Fail(const char* format, ...) __attribute__((format(__printf__, 2, 3))) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(why_, whySize_, format, args);
    va_end(args);
    return false;
  }

  // No row's words are at `p`. When its first word begins some rows, the message says what
  // may follow that word; otherwise it lists every action.
  bool UnknownAction(const char* p) {
    const size_t length = WordLength(p);
    const int shown = int(length > kMaxQuotedWord ? kMaxQuotedWord : length);
    const char* cut = length > kMaxQuotedWord ? "..." : "";
    const char* items[kMaxListed];
    size_t count = 0;
    for (size_t i = 0; i < kActionCount; ++i) {
      const char* words = kActions[i].words;
      if (words == nullptr) continue;
      const size_t first = std::strcspn(words, " ");
      if (words[first] == ' ' && SameWord(p, length, words, first) && count < kMaxListed)
        items[count++] = words + first + 1;
    }
    char list[256];
    if (count > 0) {
      Join(items, count, list, sizeof list);
      return Fail("After \"%.*s\" comes %s.", shown, p, list);
    }
    for (size_t i = 0; i < kActionCount; ++i)
      if (kActions[i].words != nullptr && count < kMaxListed) items[count++] = kActions[i].words;
    if (count < kMaxListed) items[count++] = "default";
    Join(items, count, list, sizeof list);
    return Fail("\"%.*s%s\" is no action: a key takes %s.", shown, p, cut, list);
  }

  // "a, b or c".
  static void Join(const char* const* items, size_t count, char* out, size_t size) {
    size_t used = 0;
    out[0] = '\0';
    for (size_t i = 0; i < count && used < size; ++i) {
      const char* separator = i == 0 ? "" : i + 1 == count ? " or " : ", ";
      int written = std::snprintf(out + used, size - used, "%s%s", separator, items[i]);
      if (written < 0) break;
      used += size_t(written);
    }
  }

  bool ReadArgument(const ActionRow& row, const char* rest) {
    switch (row.argument) {
      case ActionArgument::kNone:
        return *rest == '\0' || Fail("Nothing may follow \"%s\".", row.words);
      case ActionArgument::kKeyString:
        if (*rest == '\0') return Fail("\"%s\" needs a key string.", row.words);
        CopyTrimmed(rest, std::strlen(rest), press_->target);
        return true;
      case ActionArgument::kProgram:
      case ActionArgument::kDocument:
        return ReadName(row, rest);
    }
    return false;
  }

  // A program and its arguments, or a document or address: the name in quotes, or unquoted
  // (a program's name then ends at the first blank, a document's at the end of the value).
  bool ReadName(const ActionRow& row, const char* rest) {
    const bool program = row.argument == ActionArgument::kProgram;
    const char* what = NameOf(row.argument);
    if (*rest == '\0')
      return Fail("\"%s\" needs %s.", row.words, program ? "a program" : "a document or address");
    const char* name = rest;
    size_t length = 0;
    const char* after = nullptr;
    if (*rest == '"') {
      name = rest + 1;
      const char* close = std::strchr(name, '"');
      if (close == nullptr) return Fail("The closing quote is missing.");
      length = size_t(close - name);
      after = close + 1;
      if (*after != '\0' && !IsBlank(*after)) return Fail("A blank must follow the closing quote.");
    } else {
      length = program ? WordLength(rest) : std::strlen(rest);
      after = rest + length;
      if (std::memchr(name, '"', length) != nullptr)
        return Fail("A quote may only open and close the name of %s.", what);
    }
    while (length > 0 && IsBlank(name[length - 1])) --length;
    if (length == 0) return Fail("The name of %s is empty.", what);
    if (length > kMaxKeyTarget)
      return Fail("The name of %s is longer than %u characters.", what, unsigned(kMaxKeyTarget));
    std::memcpy(press_->target, name, length);
    press_->target[length] = '\0';
    after = SkipBlanks(after);
    if (!program) return *after == '\0' || Fail("Nothing may follow the closing quote.");
    CopyTrimmed(after, std::strlen(after), press_->arguments);
    return true;
  }

  KeyPress* press_;
  char* why_;
  size_t whySize_;
};

}  // namespace

bool ParseKeyValue(const char* value, const KeyRow& key, KeyPress* press, char* why,
                   size_t whySize) {
  return Reader(key, press, why, whySize).Read(value);
}

}  // namespace tavos

// The dispatch table and the decoding of the hot-key status bytes into its keys.
#include "app/hot_keys.h"

#include "app/main_frame.h"

namespace tavos {

namespace {

// The built-in actions.
const ActionRow kStartBrowser = {&CMainFrame::StartBrowser};
const ActionRow kStartMail = {&CMainFrame::StartMail};
const ActionRow kWindowsSearch = {&CMainFrame::RunSearchKey};
const ActionRow kUserKey = {&CMainFrame::RunUserKey};

}  // namespace

// Search reads group A alone and the user key ignores group C: the models of those groups
// latch other keys in those bits.
const KeyRow kKeys[] = {
    {"INTERNET", kKeyInternet, kFromGroupA | kFromGroupB | kFromGroupC, &kStartBrowser},
    {"MAIL", kKeyMail, kFromGroupA | kFromGroupB | kFromGroupC, &kStartMail},
    {"SEARCH", kKeySearch, kFromGroupA, &kWindowsSearch},
    {"USER", kKeyUser, kFromGroupA | kFromGroupB, &kUserKey},
};
const size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

BYTE StatusFromRead(bool succeeded, BYTE value) { return succeeded && value != 0xFF ? value : 0; }

unsigned KeysForDriverPath(BYTE keyStatus) {
  unsigned pressed = 0;
  for (size_t i = 0; i < kKeyCount; ++i)
    if (keyStatus & kKeys[i].bit) pressed |= 1u << i;
  return pressed;
}

unsigned KeysForDirectPath(BYTE statusA, BYTE statusB, BYTE statusC) {
  unsigned pressed = 0;
  for (size_t i = 0; i < kKeyCount; ++i) {
    const KeyRow& key = kKeys[i];
    BYTE status = ((key.directGroups & kFromGroupA) ? statusA : 0) |
                  ((key.directGroups & kFromGroupB) ? statusB : 0) |
                  ((key.directGroups & kFromGroupC) ? statusC : 0);
    if (status & key.bit) pressed |= 1u << i;
  }
  return pressed;
}

}  // namespace tavos

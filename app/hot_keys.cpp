// The dispatch tables and the decoding of the hot-key status bytes into its keys.
#include "app/hot_keys.h"

#include "app/main_frame.h"

namespace tavos {

namespace {
// The built-in actions' places in kActions.
enum BuiltIn { kStartBrowser, kStartMail, kWindowsSearch, kUserKey };
}  // namespace

const ActionRow kActions[] = {
    // built in, in the order of BuiltIn
    {nullptr, ActionArgument::kNone, &CMainFrame::StartBrowser},
    {nullptr, ActionArgument::kNone, &CMainFrame::StartMail},
    {nullptr, ActionArgument::kNone, &CMainFrame::RunSearchKey},
    {nullptr, ActionArgument::kNone, &CMainFrame::RunUserKey},
    // what [KEYS] may name
    {"run", ActionArgument::kProgram, &CMainFrame::RunProgram},
    {"open", ActionArgument::kDocument, &CMainFrame::OpenDocument},
    {"keys", ActionArgument::kKeyString, &CMainFrame::PlayKeys},
    {"mute", ActionArgument::kNone, &CMainFrame::ToggleMute},
    {"volume up", ActionArgument::kNone, &CMainFrame::VolumeUp},
    {"volume down", ActionArgument::kNone, &CMainFrame::VolumeDown},
    {"brightness up", ActionArgument::kNone, &CMainFrame::BrightnessUp},
    {"brightness down", ActionArgument::kNone, &CMainFrame::BrightnessDown},
    {"nothing", ActionArgument::kNone, &CMainFrame::DoNothing},
};
const size_t kActionCount = sizeof kActions / sizeof kActions[0];

// Search reads group A alone and the user key ignores group C: the models of those groups
// latch other keys in those bits.
const KeyRow kKeys[] = {
    {"INTERNET", kKeyInternet, kFromGroupA | kFromGroupB | kFromGroupC, &kActions[kStartBrowser]},
    {"MAIL", kKeyMail, kFromGroupA | kFromGroupB | kFromGroupC, &kActions[kStartMail]},
    {"SEARCH", kKeySearch, kFromGroupA, &kActions[kWindowsSearch]},
    {"USER", kKeyUser, kFromGroupA | kFromGroupB, &kActions[kUserKey]},
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

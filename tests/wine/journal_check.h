// What this Wine does with a journal-playback hook (journal_check.cpp).
#pragma once

namespace tavos_host {

// Prints what it saw; 0 when Wine takes the hook, never calls it, lets real keys pass and
// lets no key cancel it, as docs/wine.md says; 1 otherwise.
int CheckJournalPlayback();

}  // namespace tavos_host

// The system side of the hooks, for the message functions.
#pragma once

#include "sim/winsim/sim_process.h"

namespace winsim {

// Plays what the thread's journal-playback hook hands out until the hook removes itself;
// called whenever the thread looks for a message.
void PlayJournal(SimThread& thread);
// Shows a message the thread retrieved (or peeked at) to its WH_GETMESSAGE hooks.
void CallGetMessageHooks(SimThread& thread, MSG* msg, bool removed);

}  // namespace winsim

// The system side of journal playback, for the message functions.
#pragma once

#include "sim/winsim/sim_process.h"

namespace winsim {

// Plays what the thread's journal-playback hook hands out until the hook removes itself;
// called whenever the thread looks for a message.
void PlayJournal(SimThread& thread);

}  // namespace winsim

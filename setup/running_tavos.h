// Ending a running Tavos before its files are replaced or removed: each process whose file is
// Tavos.exe is asked to end with its own EXIT command, posted to its framework windows
// (classes "Afx:..."), and ended by force when it has not gone after 5 s. The processes come
// from Toolhelp (95, 98, Me, 2000, XP) or, where Windows has none (NT 4.0), from PSAPI; both
// are bound at run time. Without either nothing is found.
#pragma once

namespace setup {

// How many were running (an upgrade starts Tavos again when one was).
int EndRunningTavos();

}  // namespace setup

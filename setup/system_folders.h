// Where this Windows keeps what the setup needs: Program Files, the system folder, the Start
// menu's programs folder, the temporary folder, and the setup's own file. Each returns false
// when Windows cannot say, or the answer does not fit a path.
#pragma once

#include "setup/bounded_text.h"

namespace setup {

// ProgramFilesDir from the registry; "" when it is missing.
void ProgramFilesFolder(PathText* folder);
// Where an earlier install recorded itself (its InstallLocation); "" when none did.
void RecordedInstallLocation(PathText* folder);
bool SystemFolder(PathText* folder);
// The Start menu's programs folder of all users, or where Windows has none (the 95 family)
// the logged-on user's. The shell's functions are bound at run time: NT 3.51 has none.
bool ProgramsMenuFolder(PathText* folder);
bool TempFolder(PathText* folder);
bool OwnFile(PathText* path);

}  // namespace setup

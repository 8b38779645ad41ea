// Installing Tavos, or upgrading it in place: Tavos.exe in Program Files\Tavos, started with
// Windows, the uninstaller beside it, the Start menu folder and the Add/Remove Programs entry,
// and on the NT family the kernel service "portio" with portio.sys. A running Tavos is ended
// first and, after an upgrade, started again; an interactive install starts it too.
#pragma once

#include "setup/setup_options.h"
#include "setup/windows_version.h"

namespace setup {

// The exit code (setup_text.h).
int Install(const SetupOptions& options, const WindowsVersion& windows);

}  // namespace setup

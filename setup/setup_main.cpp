// The setup's entry.
#include "setup/setup_main.h"

#include "platform/win32.h"
#include "setup/installer.h"
#include "setup/messages.h"
#include "setup/setup_options.h"
#include "setup/setup_text.h"
#include "setup/supported_windows.h"
#include "setup/system_folders.h"
#include "setup/uninstaller.h"
#include "setup/windows_version.h"

namespace setup {

int SetupMain() {
  PathText self;
  OwnFile(&self);
  SetupOptions options;
  // A malformed copy's command line does nothing: neither install nor remove.
  if (!ParseSetupArguments(ArgumentsOf(GetCommandLineA()), self.c_str(), &options))
    return kExitFailed;
  const bool installing = options.mode == SetupMode::kInstall;
  WindowsVersion windows;
  if (!QueryWindowsVersion(&windows) ||
      !IsSupportedWindows(windows.platformId, windows.major, windows.minor, windows.wow64)) {
    Tell(options.silent, installing ? kSetupCaption : kUninstallCaption, kUnsupportedText,
         MB_OK | MB_ICONSTOP);
    return kExitUnsupported;
  }
  switch (options.mode) {
    case SetupMode::kInstall:
      return Install(options, windows);
    case SetupMode::kUninstall:
      return StartUninstall(options, windows);
    case SetupMode::kUninstallCopy:
      return FinishUninstall(options, windows);
  }
  return kExitFailed;
}

}  // namespace setup

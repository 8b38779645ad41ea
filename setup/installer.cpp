// The install, step by step.
#include "setup/installer.h"

#include "platform/win32.h"
#include "setup/driver_service.h"
#include "setup/file_steps.h"
#include "setup/install_plan.h"
#include "setup/messages.h"
#include "setup/registry_entries.h"
#include "setup/running_tavos.h"
#include "setup/setup_text.h"
#include "setup/shortcuts.h"
#include "setup/system_folders.h"

namespace setup {

namespace {

int Failed(bool silent, const char* what, DWORD error) {
  LineText text;
  text.Append(what).Append(kNotWrittenText);
  LineText message;
  ErrorText(text.c_str(), error, &message);
  Tell(silent, kSetupCaption, message.c_str(), MB_OK | MB_ICONSTOP);
  return kExitFailed;
}

bool LocateLayout(InstallLayout* layout) {
  PathText recorded, programFiles, folder, system, programs;
  RecordedInstallLocation(&recorded);
  ProgramFilesFolder(&programFiles);
  ChooseInstallFolder(recorded.c_str(), programFiles.c_str(), &folder);
  return SystemFolder(&system) && ProgramsMenuFolder(&programs) &&
         MakeLayout(folder.c_str(), system.c_str(), programs.c_str(), layout);
}

bool StartTavos(const char* program, const char* folder) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  LineText line;
  line.Append('"').Append(program).Append('"');
  if (line.cut() || !CreateProcessA(program, const_cast<LPSTR>(line.c_str()), nullptr, nullptr,
                                    FALSE, 0, nullptr, folder, &startup, &started))
    return false;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

}  // namespace

int Install(const SetupOptions& options, const WindowsVersion& windows) {
  const bool silent = options.silent;
  // On the NT family the driver's service needs an administrator: asked before anything
  // changes, so that a refused install leaves the machine as it was.
  DriverService service;
  if (windows.Nt()) {
    if (DWORD error = service.Open()) {
      LineText message;
      ErrorText(kNoAdministratorText, error, &message);
      Tell(silent, kSetupCaption, message.c_str(), MB_OK | MB_ICONSTOP);
      return kExitNoAdministrator;
    }
  }
  InstallLayout layout;
  if (!LocateLayout(&layout)) return Failed(silent, "The Tavos folder", ERROR_PATH_NOT_FOUND);
  PathText self;
  if (!OwnFile(&self)) return Failed(silent, layout.uninstallExe.c_str(), GetLastError());

  LineText question;
  question.Append(kConfirmInstallText).Append(layout.folder.c_str()).Append('.');
  if (Tell(silent, kSetupCaption, question.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return kExitCancelled;

  // An upgrade replaces a running copy's files: it is ended first, and started again after.
  const bool wasRunning = EndRunningTavos() > 0;
  if (DWORD error = MakeFolderTree(layout.folder.c_str()))
    return Failed(silent, layout.folder.c_str(), error);
  if (DWORD error = WriteResourceFile(kTavosResource, layout.tavosExe.c_str()))
    return Failed(silent, layout.tavosExe.c_str(), error);
  if (!CopyFileA(self.c_str(), layout.uninstallExe.c_str(), FALSE))
    return Failed(silent, layout.uninstallExe.c_str(), GetLastError());

  DWORD startError = ERROR_SUCCESS;
  if (windows.Nt()) {
    // The driver's file is replaced while its service is stopped, then started again.
    service.Stop();
    if (DWORD error = WriteResourceFile(kDriverResource, layout.driverFile.c_str()))
      return Failed(silent, layout.driverFile.c_str(), error);
    if (DWORD error = service.Install(&startError)) {
      LineText message;
      ErrorText(kServiceNotCreatedText, error, &message);
      Tell(silent, kSetupCaption, message.c_str(), MB_OK | MB_ICONSTOP);
      return kExitServiceNotCreated;
    }
  }

  RegistryValue values[kRegistryValueCount];
  RegistryValuesOf(layout, values);
  if (DWORD error = MakeFolderTree(layout.menuFolder.c_str()))
    return Failed(silent, layout.menuFolder.c_str(), error);
  if (FAILED(
          MakeShortcut(layout.tavosLink.c_str(), layout.tavosExe.c_str(), layout.folder.c_str())))
    return Failed(silent, layout.tavosLink.c_str(), ERROR_GEN_FAILURE);
  if (FAILED(MakeShortcut(layout.uninstallLink.c_str(), layout.uninstallExe.c_str(),
                          layout.folder.c_str())))
    return Failed(silent, layout.uninstallLink.c_str(), ERROR_GEN_FAILURE);
  if (DWORD error = WriteRegistryValues(values))
    return Failed(silent, "The registry entry of Tavos", error);

  // Interactively Tavos starts now; a silent install (a deployment) leaves it to the next
  // logon, unless it ran before the upgrade.
  if (!silent || wasRunning) StartTavos(layout.tavosExe.c_str(), layout.folder.c_str());
  LineText done;
  done.Append(kInstalledText);
  if (startError != ERROR_SUCCESS) {
    LineText later;
    ErrorText(kServiceLaterText, startError, &later);
    done.Append("\n\n").Append(later.c_str()).Append(kServiceLaterNote);
  }
  Tell(silent, kSetupCaption, done.c_str(), MB_OK | MB_ICONINFORMATION);
  return kExitOk;
}

}  // namespace setup

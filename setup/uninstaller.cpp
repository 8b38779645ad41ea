// The uninstall, in two processes.
#include "setup/uninstaller.h"

#include <initializer_list>

#include "platform/win32.h"
#include "setup/driver_service.h"
#include "setup/file_steps.h"
#include "setup/install_plan.h"
#include "setup/messages.h"
#include "setup/registry_entries.h"
#include "setup/running_tavos.h"
#include "setup/setup_text.h"
#include "setup/system_folders.h"

namespace setup {

namespace {

constexpr char kCopyName[] = "TavosUn.exe";  // 8.3, as WININIT.INI needs it
constexpr DWORD kOriginalWaitMs = 30000;

// The folder that holds `file` (without the separator).
void FolderOf(const char* file, PathText* folder) {
  folder->Clear();
  folder->Append(file, size_t(FileNameOf(file) - file));
  if (folder->size() > 3) folder->Truncate(folder->size() - 1);
}

// NT: only an administrator may stop and delete the service; asked before anything changes.
bool MayRemove(bool silent, const WindowsVersion& windows) {
  if (!windows.Nt()) return true;
  DriverService service;
  if (DWORD error = service.Open()) {
    LineText message;
    ErrorText(kNoAdministratorToRemoveText, error, &message);
    Tell(silent, kUninstallCaption, message.c_str(), MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

}  // namespace

int StartUninstall(const SetupOptions& options, const WindowsVersion& windows) {
  const bool silent = options.silent;
  if (!MayRemove(silent, windows)) return kExitNoAdministrator;
  if (!silent &&
      Tell(silent, kUninstallCaption, kConfirmUninstallText, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return kExitCancelled;
  PathText self, folder, copy;
  DWORD error = ERROR_SUCCESS;
  if (!OwnFile(&self) || !TempFolder(&copy)) error = ERROR_PATH_NOT_FOUND;
  FolderOf(self.c_str(), &folder);
  copy.Append(kCopyName);
  LineText line;
  CopyCommandLine(copy.c_str(), silent, GetCurrentProcessId(), folder.c_str(), &line);
  if (error == ERROR_SUCCESS && (copy.cut() || line.cut())) error = ERROR_FILENAME_EXCED_RANGE;
  if (error == ERROR_SUCCESS && !CopyFileA(self.c_str(), copy.c_str(), FALSE))
    error = GetLastError();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (error == ERROR_SUCCESS &&
      !CreateProcessA(copy.c_str(), const_cast<LPSTR>(line.c_str()), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &started))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    LineText message;
    ErrorText(kNoCopyText, error, &message);
    Tell(silent, kUninstallCaption, message.c_str(), MB_OK | MB_ICONSTOP);
    return kExitFailed;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return kExitOk;
}

int FinishUninstall(const SetupOptions& options, const WindowsVersion& windows) {
  const bool silent = options.silent;
  // Uninstall.exe must have ended before its file can go.
  if (HANDLE original = OpenProcess(SYNCHRONIZE, FALSE, options.originalPid)) {
    WaitForSingleObject(original, kOriginalWaitMs);
    CloseHandle(original);
  }
  if (!MayRemove(silent, windows)) return kExitNoAdministrator;
  InstallLayout layout;
  PathText system, programs;
  if (!SystemFolder(&system) || !ProgramsMenuFolder(&programs) ||
      !MakeLayout(options.folder.c_str(), system.c_str(), programs.c_str(), &layout))
    return kExitFailed;

  const bool nt = windows.Nt();
  bool later = false;
  EndRunningTavos();
  if (nt) {
    DriverService service;
    if (service.Open() == ERROR_SUCCESS) service.Remove();
    DeleteNowOrAtRestart(layout.driverFile.c_str(), nt, &later);
  }
  RegistryValue values[kRegistryValueCount];
  RegistryValuesOf(layout, values);
  for (const PathText* link : {&layout.tavosLink, &layout.uninstallLink})
    DeleteFileA(link->c_str());
  RemoveDirectoryA(layout.menuFolder.c_str());  // only when nothing else is in it
  for (const PathText* file : {&layout.tavosExe, &layout.uninstallExe})
    DeleteNowOrAtRestart(file->c_str(), nt, &later);
  // An NT restart removes the folder after its files; WININIT.INI deletes files only.
  if (!RemoveDirectoryA(layout.folder.c_str()) && later && nt)
    DeleteAtRestart(layout.folder.c_str(), nt);
  RemoveRegistryValues(values);

  // Last, this copy itself, which cannot go while it runs.
  PathText self;
  if (OwnFile(&self)) DeleteAtRestart(self.c_str(), nt);
  LineText done;
  done.Append(kUninstalledText);
  if (later) done.Append("\n\n").Append(kRestartText);
  Tell(silent, kUninstallCaption, done.c_str(), MB_OK | MB_ICONINFORMATION);
  return kExitOk;
}

}  // namespace setup

// Everything the setup puts on a machine, as data: the files and folders, the registry values,
// the shortcuts, the driver's service. The installer makes them and the uninstaller removes
// exactly these, nothing else (the user's settings, SelectFile.ini and C:\Tavos.ini, are
// never among them).
#pragma once

#include "platform/win32.h"
#include "setup/bounded_text.h"

namespace setup {

// Program Files\Tavos and what is in it, the driver's file, the Start menu's folder and links.
struct InstallLayout {
  PathText folder;         // C:\Program Files\Tavos
  PathText tavosExe;       // ...\Tavos.exe
  PathText uninstallExe;   // ...\Uninstall.exe
  PathText driverFile;     // C:\WINDOWS\system32\drivers\portio.sys (NT family)
  PathText menuFolder;     // ...\Start Menu\Programs\Tavos
  PathText tavosLink;      // ...\Tavos\Tavos.lnk
  PathText uninstallLink;  // ...\Tavos\Uninstall Tavos.lnk
};

// The install folder: where an earlier install recorded itself (InstallLocation), so that
// running the setup again upgrades in place; else Tavos in the Program Files folder (from the
// registry's ProgramFilesDir, "C:\Program Files" when that is missing).
void ChooseInstallFolder(const char* recordedLocation, const char* programFiles, PathText* folder);

// The layout for those folders; false when a path would not fit MAX_PATH or a folder is not a
// full path ("C:\..."), so that nothing is made or removed in a wrong place.
bool MakeLayout(const char* installFolder, const char* systemFolder, const char* programsFolder,
                InstallLayout* layout);

// The registry values, in the order they are written; removed in the same order.
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavos";
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

struct RegistryValue {
  const char* key;  // under HKEY_LOCAL_MACHINE
  const char* name;
  DWORD type;        // REG_SZ or REG_DWORD
  LineText text;     // REG_SZ
  DWORD number = 0;  // REG_DWORD
};
constexpr int kRegistryValueCount = 8;
// The Run value and the Add/Remove Programs entry for `layout`.
void RegistryValuesOf(const InstallLayout& layout, RegistryValue (&values)[kRegistryValueCount]);

// The kernel service of the NT family.
constexpr char kServiceName[] = "portio";
constexpr char kServiceDisplayName[] = "Tavos port I/O";
// The NT form of System32\drivers\portio.sys under the system root: every NT version loads a
// driver from it, and so does Wine, which does not resolve the shorter relative form.
constexpr char kServiceImage[] = "\\SystemRoot\\System32\\drivers\\portio.sys";

// The program's EXIT command, which Tavos's frame windows (class "Afx:...") obey.
constexpr WPARAM kExitCommand = 58112;
constexpr char kFrameClassPrefix[] = "Afx:";

// RCDATA resources of the setup's image.
constexpr WORD kTavosResource = 1;
constexpr WORD kDriverResource = 2;

}  // namespace setup

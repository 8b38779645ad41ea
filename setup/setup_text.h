// The setup's exit codes and the texts it shows. A silent run (/S) shows nothing: its exit
// code says what happened.
#pragma once

namespace setup {

constexpr int kExitOk = 0;
constexpr int kExitCancelled = 1;          // the user said no
constexpr int kExitFailed = 2;             // a file, folder, key or link could not be made
constexpr int kExitUnsupported = 3;        // not Windows 95, 98, Me, NT 4.0, 2000 or XP 32-bit
constexpr int kExitNoAdministrator = 4;    // NT family: no right to the service manager
constexpr int kExitServiceNotCreated = 5;  // NT family: the driver's service was not created

constexpr char kSetupCaption[] = "Tavos Setup";
constexpr char kUninstallCaption[] = "Tavos Uninstall";

constexpr char kUnsupportedText[] =
    "Tavos runs on Windows 95, 98, Me, NT 4.0, 2000 and XP (32-bit) only. It cannot be "
    "installed on this version of Windows.";
// These end with " (error N).": the error of the failed call.
constexpr char kNoAdministratorText[] =
    "The driver service cannot be installed without administrator rights";
constexpr char kNoAdministratorToRemoveText[] =
    "The driver service cannot be removed without administrator rights";
constexpr char kServiceNotCreatedText[] = "The driver service could not be created";
constexpr char kNotWrittenText[] = " could not be written";  // after the path
constexpr char kNoCopyText[] = "The uninstaller could not start its copy";

constexpr char kConfirmInstallText[] = "Tavos will be installed in ";  // then the folder
constexpr char kInstalledText[] = "Tavos is installed.";
constexpr char kServiceLaterText[] = "The driver service did not start now";  // then the error
constexpr char kServiceLaterNote[] = " It starts with Windows.";
constexpr char kConfirmUninstallText[] =
    "Remove Tavos from this computer? Your settings stay: SelectFile.ini in the Windows folder "
    "and C:\\Tavos.ini.";
constexpr char kUninstalledText[] = "Tavos has been removed from this computer.";
constexpr char kRestartText[] = "Some of its files go when Windows starts again.";

}  // namespace setup

// The layout and the registry values.
#include "setup/install_plan.h"

namespace setup {

namespace {

bool IsFullPath(const char* path) {
  const char c = path[0];
  return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' && path[2] == '\\';
}

// folder + "\" + name, without doubling a separator the folder ends with.
bool Join(const char* folder, const char* name, PathText* path) {
  path->Clear();
  path->Append(folder);
  if (path->empty() || path->c_str()[path->size() - 1] != '\\') path->Append('\\');
  path->Append(name);
  return !path->cut();
}

}  // namespace

void ChooseInstallFolder(const char* recordedLocation, const char* programFiles, PathText* folder) {
  folder->Clear();
  if (recordedLocation != nullptr && IsFullPath(recordedLocation)) {
    folder->Append(recordedLocation);
    // A trailing separator would double in every path made from it.
    while (folder->size() > 3 && folder->c_str()[folder->size() - 1] == '\\')
      folder->Truncate(folder->size() - 1);
    if (!folder->cut()) return;
  }
  Join(programFiles != nullptr && IsFullPath(programFiles) ? programFiles : "C:\\Program Files",
       "Tavos", folder);
}

bool MakeLayout(const char* installFolder, const char* systemFolder, const char* programsFolder,
                InstallLayout* layout) {
  if (!IsFullPath(installFolder) || !IsFullPath(systemFolder) || !IsFullPath(programsFolder))
    return false;
  layout->folder.Clear();
  layout->folder.Append(installFolder);
  return !layout->folder.cut() && Join(installFolder, "Tavos.exe", &layout->tavosExe) &&
         Join(installFolder, "Uninstall.exe", &layout->uninstallExe) &&
         Join(systemFolder, "drivers\\portio.sys", &layout->driverFile) &&
         Join(programsFolder, "Tavos", &layout->menuFolder) &&
         Join(layout->menuFolder.c_str(), "Tavos.lnk", &layout->tavosLink) &&
         Join(layout->menuFolder.c_str(), "Uninstall Tavos.lnk", &layout->uninstallLink);
}

void RegistryValuesOf(const InstallLayout& layout, RegistryValue (&values)[kRegistryValueCount]) {
  auto text = [](RegistryValue& value, const char* key, const char* name) -> LineText& {
    value.key = key;
    value.name = name;
    value.type = REG_SZ;
    value.text.Clear();
    return value.text;
  };
  auto number = [](RegistryValue& value, const char* key, const char* name, DWORD n) {
    value.key = key;
    value.name = name;
    value.type = REG_DWORD;
    value.text.Clear();
    value.number = n;
  };
  text(values[0], kRunKey, "Tavos").Append('"').Append(layout.tavosExe.c_str()).Append('"');
  text(values[1], kUninstallKey, "DisplayName").Append("Tavos");
  text(values[2], kUninstallKey, "UninstallString")
      .Append('"')
      .Append(layout.uninstallExe.c_str())
      .Append('"');
  text(values[3], kUninstallKey, "QuietUninstallString")
      .Append('"')
      .Append(layout.uninstallExe.c_str())
      .Append("\" /S");
  text(values[4], kUninstallKey, "InstallLocation").Append(layout.folder.c_str());
  text(values[5], kUninstallKey, "DisplayIcon").Append(layout.tavosExe.c_str());
  number(values[6], kUninstallKey, "NoModify", 1);
  number(values[7], kUninstallKey, "NoRepair", 1);
}

}  // namespace setup

// Asking Windows for its folders.
#include "setup/system_folders.h"

#include <initializer_list>

#include "platform/win32.h"
#include "setup/install_plan.h"

namespace setup {

namespace {

// A text value of HKEY_LOCAL_MACHINE\`key`; "" when it is missing or not text.
void ReadMachineText(const char* key, const char* name, PathText* text) {
  text->Clear();
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return;
  DWORD type = REG_NONE, size = DWORD(PathText::Capacity() - 1);
  LONG result = RegQueryValueExA(opened, name, nullptr, &type,
                                 reinterpret_cast<BYTE*>(text->Buffer()), &size);
  RegCloseKey(opened);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    text->Buffer()[0] = '\0';
  } else {
    text->Buffer()[size] = '\0';  // a value stored without its terminator still ends here
  }
  text->Adopt();
}

using GetLocationFunction = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
using GetPathFunction = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
using GetMallocFunction = HRESULT(WINAPI*)(IMalloc**);

}  // namespace

void ProgramFilesFolder(PathText* folder) {
  ReadMachineText(kCurrentVersionKey, "ProgramFilesDir", folder);
}

void RecordedInstallLocation(PathText* folder) {
  ReadMachineText(kUninstallKey, "InstallLocation", folder);
}

bool SystemFolder(PathText* folder) {
  UINT length = GetSystemDirectoryA(folder->Buffer(), UINT(PathText::Capacity()));
  if (length == 0 || length >= PathText::Capacity()) return false;
  folder->Adopt();
  return true;
}

bool ProgramsMenuFolder(PathText* folder) {
  // The setup imports nothing from SHELL32, so it is loaded here, and freed again.
  HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (shell == nullptr) return false;
  auto getLocation = reinterpret_cast<GetLocationFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetSpecialFolderLocation")));
  auto getPath = reinterpret_cast<GetPathFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetPathFromIDListA")));
  auto getMalloc = reinterpret_cast<GetMallocFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetMalloc")));
  IMalloc* allocator = nullptr;
  bool found = false;
  if (getLocation != nullptr && getPath != nullptr && getMalloc != nullptr &&
      SUCCEEDED(getMalloc(&allocator))) {
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
      LPITEMIDLIST list = nullptr;
      if (FAILED(getLocation(nullptr, csidl, &list)) || list == nullptr) continue;
      // SHGetPathFromIDListA writes up to MAX_PATH characters, the size of the buffer.
      found = getPath(list, folder->Buffer()) != FALSE;
      allocator->Free(list);
      if (found) {
        folder->Adopt();
        break;
      }
    }
    allocator->Release();
  }
  FreeLibrary(shell);
  return found && !folder->empty();
}

bool TempFolder(PathText* folder) {
  DWORD length = GetTempPathA(DWORD(PathText::Capacity()), folder->Buffer());
  if (length == 0 || length >= PathText::Capacity()) return false;
  folder->Adopt();
  return true;
}

bool OwnFile(PathText* path) {
  DWORD length = GetModuleFileNameA(nullptr, path->Buffer(), DWORD(PathText::Capacity()));
  if (length == 0 || length >= PathText::Capacity()) return false;
  path->Adopt();
  return true;
}

}  // namespace setup

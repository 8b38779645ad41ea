// Shell links.
#include "setup/shortcuts.h"

namespace setup {

HRESULT MakeShortcut(const char* link, const char* target, const char* folder) {
  WCHAR wideLink[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, link, -1, wideLink, MAX_PATH) == 0) return E_INVALIDARG;
  const HRESULT initialized = CoInitialize(nullptr);
  IShellLinkA* shellLink = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&shellLink));
  if (SUCCEEDED(result)) {
    IPersistFile* file = nullptr;
    result = shellLink->SetPath(target);
    if (SUCCEEDED(result)) result = shellLink->SetWorkingDirectory(folder);
    if (SUCCEEDED(result))
      result = shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
      result = file->Save(wideLink, TRUE);
      file->Release();
    }
    shellLink->Release();
  }
  // S_FALSE says COM was initialised already on this thread; that too is undone once.
  if (SUCCEEDED(initialized)) CoUninitialize();
  return result;
}

}  // namespace setup

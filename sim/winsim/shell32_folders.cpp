// The shell's special folders as item lists: SHGetSpecialFolderLocation for the Start menu's
// programs folders, SHGetPathFromIDListA, and the shell's allocator that frees the lists.
// The 95 family has no folders common to all users; NT 3.51's shell has none of this.
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

// A simulated item list: one item holding the folder's path, then the empty item that ends
// every list.
struct ItemList {
  uint16_t size;
  char path[MAX_PATH];
  uint16_t end;
};

bool HasShell(const WindowsPc& pc) { return pc.Profile().major >= 4; }

// The shell's task allocator: what it hands out is counted until it is freed.
class ShellAllocator : public IMalloc {
 public:
  HRESULT WINAPI QueryInterface(REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 2; }  // lives as long as the process
  ULONG WINAPI Release() override { return 1; }
  void* WINAPI Alloc(SIZE_T cb) override {
    ++WindowsPc::Current().Com().shellBlocks;
    return ::operator new(cb);
  }
  void* WINAPI Realloc(void*, SIZE_T) override {
    WindowsPc::Current().Stub("IMalloc::Realloc");
    return nullptr;
  }
  void WINAPI Free(void* pv) override {
    if (pv == nullptr) return;
    --WindowsPc::Current().Com().shellBlocks;
    ::operator delete(pv);
  }
  SIZE_T WINAPI GetSize(void*) override { return SIZE_T(-1); }
  int WINAPI DidAlloc(void*) override { return -1; }
  void WINAPI HeapMinimize() override {}
};

ShellAllocator g_allocator;

}  // namespace

HRESULT WINAPI SHGetSpecialFolderLocation(HWND, int csidl, LPITEMIDLIST* ppidl) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (ppidl == nullptr) return E_INVALIDARG;
  *ppidl = nullptr;
  if (!HasShell(pc)) return E_NOTIMPL;
  std::string folder;
  if (csidl == CSIDL_PROGRAMS) {
    folder = winsim::UserProgramsDirectory(pc.Profile());
  } else if (csidl == CSIDL_COMMON_PROGRAMS) {
    folder = winsim::CommonProgramsDirectory(pc.Profile());
    if (folder.empty()) return E_INVALIDARG;  // the 95 family: no such folder
  } else {
    pc.Stub("SHGetSpecialFolderLocation of folder " + std::to_string(csidl));
    return E_NOTIMPL;
  }
  auto* list = static_cast<ItemList*>(g_allocator.Alloc(sizeof(ItemList)));
  list->size = uint16_t(sizeof list->size + sizeof list->path);
  std::strncpy(list->path, folder.c_str(), MAX_PATH - 1);
  list->path[MAX_PATH - 1] = '\0';
  list->end = 0;
  *ppidl = reinterpret_cast<LPITEMIDLIST>(list);
  return S_OK;
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath) {
  winsim::SimScope scope;
  if (pidl == nullptr || pszPath == nullptr || !HasShell(WindowsPc::Current())) return FALSE;
  const auto* list = reinterpret_cast<const ItemList*>(pidl);
  std::memcpy(pszPath, list->path, std::strlen(list->path) + 1);
  return TRUE;
}

HRESULT WINAPI SHGetMalloc(IMalloc** ppMalloc) {
  winsim::SimScope scope;
  if (ppMalloc == nullptr) return E_INVALIDARG;
  if (!HasShell(WindowsPc::Current())) return E_NOTIMPL;
  *ppMalloc = &g_allocator;
  return S_OK;
}

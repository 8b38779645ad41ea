// A program's own resources as raw data: FindResourceA, LoadResource, LockResource and
// SizeofResource on the calling program's image (numeric names and types only).
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorResourceTypeNotFound = 1813;
constexpr DWORD kErrorResourceNameNotFound = 1814;
constexpr DWORD kErrorResourceDataNotFound = 1812;

// The calling program's resources when `module` names its image (null does too).
const winsim::ResourceModule* OwnResources(HMODULE module) {
  winsim::SimThread* thread = WindowsPc::Current().CurrentThread();
  if (thread == nullptr || (module != nullptr && module != winsim::SimProcess::ImageBase()))
    return nullptr;
  return &thread->process->resources;
}

// The resource data behind a handle from FindResourceA, if it is the caller's.
const std::string* DataOf(HMODULE module, const void* handle) {
  const winsim::ResourceModule* resources = OwnResources(module);
  const auto* data = static_cast<const std::string*>(handle);
  return resources != nullptr && resources->Holds(data) ? data : nullptr;
}

}  // namespace

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
  winsim::SimScope scope;
  const winsim::ResourceModule* resources = OwnResources(hModule);
  if (resources == nullptr) {
    SetLastError(kErrorResourceDataNotFound);
    return nullptr;
  }
  // Resources named by text are not kept by the simulated PC: none is ever found.
  if (!IS_INTRESOURCE(lpType) || !resources->HasType(WORD(uintptr_t(lpType)))) {
    SetLastError(kErrorResourceTypeNotFound);
    return nullptr;
  }
  const std::string* data = IS_INTRESOURCE(lpName)
                                ? resources->Find(WORD(uintptr_t(lpType)), WORD(uintptr_t(lpName)))
                                : nullptr;
  if (data == nullptr) {
    SetLastError(kErrorResourceNameNotFound);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<std::string*>(data));
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
  winsim::SimScope scope;
  if (DataOf(hModule, hResInfo) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(hResInfo);
}

// The data stays where it is for the life of the program, as a loaded image's does.
LPVOID WINAPI LockResource(HGLOBAL hResData) {
  winsim::SimScope scope;
  const std::string* data = DataOf(nullptr, hResData);
  return data ? const_cast<char*>(data->data()) : nullptr;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  winsim::SimScope scope;
  const std::string* data = DataOf(hModule, hResInfo);
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return DWORD(data->size());
}

// The registry functions of ADVAPI32, with what each Windows family refuses: rights a handle
// was not opened with, changes to HKEY_LOCAL_MACHINE by someone who is not an administrator
// (NT family), and deleting a key that still has subkeys (NT refuses, the 95 family deletes
// the whole tree). They return their error instead of setting the last error, as Windows does.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/registry.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::Registry;
using winsim::WindowsPc;

namespace {

constexpr REGSAM kWriteDac = 0x00040000;
constexpr REGSAM kWriteOwner = 0x00080000;
// The rights that change a key, its values or its subkeys.
constexpr REGSAM kChangingRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | kWriteDac | kWriteOwner;

class KeyObject : public winsim::HandleObject {
 public:
  KeyObject(std::string keyPath, uint64_t keyId, REGSAM rights)
      : path(std::move(keyPath)), id(keyId), granted(rights) {}
  const char* Kind() const override { return "key"; }
  const std::string path;
  const uint64_t id;
  const REGSAM granted;
};

// A key a handle names: its path and the rights the handle carries.
struct OpenedKey {
  std::string path;
  REGSAM granted;
};

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

bool StartsWith(const std::string& path, const char* prefix) {
  const std::string upper = Upper(path);
  const size_t length = std::strlen(prefix);
  return upper.compare(0, length, prefix) == 0 && (upper.size() == length || upper[length] == '\\');
}

// Whether the caller may change the key at `path`. The 95 family has no such notion. On the
// NT family users change their own hive; the machine's is the administrators', except that
// NT 4.0 and older let everyone change HKLM\SOFTWARE (and so the classes beneath it), which
// Windows 2000 took back.
bool MayChange(const std::string& path) {
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().IsNt() || pc.CallerIsAdministrator()) return true;
  if (StartsWith(path, "HKCU")) return true;
  if (pc.Profile().major < 5 && (StartsWith(path, "HKLM\\SOFTWARE") || StartsWith(path, "HKCR")))
    return true;
  return false;
}

// The key behind `key`: a predefined root, or an open handle whose key still exists.
LONG Resolve(HKEY key, OpenedKey* opened) {
  WindowsPc& pc = WindowsPc::Current();
  std::string root = Registry::RootName(key);
  if (!root.empty()) {
    *opened = {root, KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  auto* object = pc.Handles().Get<KeyObject>(reinterpret_cast<HANDLE>(key));
  if (object == nullptr) return ERROR_INVALID_HANDLE;
  if (pc.Reg().KeyId(object->path) != object->id) return ERROR_KEY_DELETED;
  *opened = {object->path, object->granted};
  return ERROR_SUCCESS;
}

// The key behind `key` for setting or deleting one of its values: the handle needs
// KEY_SET_VALUE, and the caller the right to change the key.
LONG ResolveForValueChange(HKEY key, OpenedKey* opened) {
  if (LONG error = Resolve(key, opened)) return error;
  if (!(opened->granted & KEY_SET_VALUE) || !MayChange(opened->path)) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

HKEY AddHandle(const std::string& path, REGSAM rights) {
  WindowsPc& pc = WindowsPc::Current();
  HANDLE handle = pc.Handles().Add(std::make_unique<KeyObject>(path, pc.Reg().KeyId(path), rights),
                                   pc.CurrentPid());
  return reinterpret_cast<HKEY>(handle);
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
  }
  return "REG_NONE";
}

}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  winsim::SimScope scope;
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenedKey base;
  if (LONG error = Resolve(hKey, &base)) return error;
  std::string path;
  // A malformed name (an empty part, a name over 255 characters) is refused as a bad
  // parameter: our choice, Windows' answers differ by version.
  if (!Registry::Join(base.path, lpSubKey ? lpSubKey : "", &path)) return ERROR_INVALID_PARAMETER;
  if (WindowsPc::Current().Reg().KeyId(path) == 0) return ERROR_FILE_NOT_FOUND;
  if ((samDesired & kChangingRights) && !MayChange(path)) return ERROR_ACCESS_DENIED;
  *phkResult = AddHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenedKey base;
  if (LONG error = Resolve(hKey, &base)) return error;
  std::string path;
  if (lpSubKey == nullptr || !Registry::Join(base.path, lpSubKey, &path))
    return ERROR_INVALID_PARAMETER;
  const bool exists = pc.Reg().KeyId(path) != 0;
  if (!exists && (!(base.granted & KEY_CREATE_SUB_KEY) || !MayChange(path)))
    return ERROR_ACCESS_DENIED;
  if ((samDesired & kChangingRights) && !MayChange(path)) return ERROR_ACCESS_DENIED;
  bool created = false;
  pc.Reg().CreateKey(path, &created);
  if (created) pc.Events().Add("registry create " + winsim::Quote(path));
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = AddHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                           DWORD cbData) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  OpenedKey key;
  if (LONG error = ResolveForValueChange(hKey, &key)) return error;
  if (lpData == nullptr && cbData > 0) return ERROR_NOACCESS;
  Registry::Value value{
      dwType, lpData ? std::string(reinterpret_cast<const char*>(lpData), cbData) : std::string()};
  const std::string name = lpValueName ? lpValueName : "";
  pc.Reg().SetValue(key.path, name, value);
  pc.Events().Add("registry set " + winsim::Quote(key.path) + " " + winsim::Quote(name) + " " +
                  TypeName(dwType) + " " + winsim::Quote(pc.Reg().ValueText(key.path, name)));
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  winsim::SimScope scope;
  OpenedKey key;
  if (LONG error = Resolve(hKey, &key)) return error;
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
    return ERROR_INVALID_PARAMETER;
  if (!(key.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const Registry::Value* value =
      WindowsPc::Current().Reg().FindValue(key.path, lpValueName ? lpValueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = value->type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  const DWORD size = DWORD(value->data.size());
  if (lpData != nullptr && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData != nullptr) std::memcpy(lpData, value->data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                             LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                             LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                             LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                             FILETIME* lpftLastWriteTime) {
  winsim::SimScope scope;
  OpenedKey key;
  if (LONG error = Resolve(hKey, &key)) return error;
  if (lpReserved != nullptr) return ERROR_INVALID_PARAMETER;
  if (!(key.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const Registry& registry = WindowsPc::Current().Reg();
  DWORD maxSubkey = 0, maxName = 0, maxData = 0;
  for (const std::string& name : registry.SubkeyNames(key.path))
    maxSubkey = std::max(maxSubkey, DWORD(name.size()));
  const std::vector<std::string> values = registry.ValueNames(key.path);
  for (const std::string& name : values) {
    maxName = std::max(maxName, DWORD(name.size()));
    maxData = std::max(maxData, DWORD(registry.FindValue(key.path, name)->data.size()));
  }
  // Keys have no class here; a class buffer gets an empty text.
  if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = DWORD(registry.SubkeyCount(key.path));
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSubkey;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = DWORD(values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  OpenedKey key;
  if (LONG error = ResolveForValueChange(hKey, &key)) return error;
  const std::string name = lpValueName ? lpValueName : "";
  if (!pc.Reg().DeleteValue(key.path, name)) return ERROR_FILE_NOT_FOUND;
  pc.Events().Add("registry delete " + winsim::Quote(key.path) + " " + winsim::Quote(name));
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  OpenedKey base;
  if (LONG error = Resolve(hKey, &base)) return error;
  std::string path;
  // The key itself (no name) is not deleted this way: our choice, refused as a bad parameter.
  if (lpSubKey == nullptr || *lpSubKey == '\0' || !Registry::Join(base.path, lpSubKey, &path))
    return ERROR_INVALID_PARAMETER;
  if (pc.Reg().KeyId(path) == 0) return ERROR_FILE_NOT_FOUND;
  if (!MayChange(path)) return ERROR_ACCESS_DENIED;
  if (pc.Profile().IsNt() && pc.Reg().SubkeyCount(path) > 0) return ERROR_ACCESS_DENIED;
  pc.Reg().DeleteTree(path);
  pc.Events().Add("registry delete key " + winsim::Quote(path));
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  winsim::SimScope scope;
  if (!Registry::RootName(hKey).empty()) return ERROR_SUCCESS;
  WindowsPc& pc = WindowsPc::Current();
  HANDLE handle = reinterpret_cast<HANDLE>(hKey);
  if (pc.Handles().Get<KeyObject>(handle) == nullptr) return ERROR_INVALID_HANDLE;
  pc.Handles().Close(handle);
  return ERROR_SUCCESS;
}

// The registry values.
#include "setup/registry_entries.h"

#include <cstring>

namespace setup {

DWORD WriteRegistryValues(const RegistryValue (&values)[kRegistryValueCount]) {
  for (const RegistryValue& value : values) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, value.key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return DWORD(error);
    if (value.type == REG_DWORD) {
      error = RegSetValueExA(key, value.name, 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value.number), sizeof value.number);
    } else {
      error = RegSetValueExA(key, value.name, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.text.c_str()),
                             DWORD(value.text.size() + 1));
    }
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return DWORD(error);
  }
  return ERROR_SUCCESS;
}

void RemoveRegistryValues(const RegistryValue (&values)[kRegistryValueCount]) {
  for (const RegistryValue& value : values) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, value.key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      continue;
    RegDeleteValueA(key, value.name);
    RegCloseKey(key);
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return;
  DWORD subkeys = 1, valuesLeft = 1;
  LONG error = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                &valuesLeft, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (error == ERROR_SUCCESS && subkeys == 0 && valuesLeft == 0)
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

}  // namespace setup
